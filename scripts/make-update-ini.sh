#!/usr/bin/env bash
# Writes and signs the "update.ini" that the update window reads, for a folder of
# update files, so that any static web server can offer updates:
#
#   scripts/make-update-ini.sh --genkey KEY_FILE
#   scripts/make-update-ini.sh --key KEY_FILE [--name SERVER_NAME] [--output OUTPUT]
#                              [--serial N] [--valid-days DAYS] FOLDER BASE_URL
#
# -g, --genkey KEY_FILE  makes a new key pair: the secret key goes into KEY_FILE (mode
#                        600, never overwritten), the public key is printed; build the
#                        program with it: cmake -DORVALIN_UPDATE_PUBLIC_KEY=<public key> ...
# -k, --key KEY_FILE     the secret key that signs the configuration: OUTPUT.sig
#                        ("update.ini.sig", base64 Ed25519 over the exact bytes of
#                        OUTPUT) is written beside it
# FOLDER                 the folder holding the new versions of the data files
# BASE_URL               the URL under which the web server serves FOLDER (a "/" is
#                        added if missing)
# -n, --name NAME        the server's name shown in the update window (default "主服务器")
# -o, --output OUTPUT    where to write the configuration (default FOLDER/update.ini)
# -s, --serial N         the release serial (default: the current time in seconds since
#                        1970). Every configuration must carry a higher serial than the
#                        one before: the program refuses a lower one, and the same one
#                        with other contents, as a replayed old configuration.
# -d, --valid-days DAYS  how long the configuration stays valid (default 30); after that
#                        the program refuses it until a new one is signed
# -h, --help             this text
#
# Only data files are offered: the picture libraries (on1800.dll, sn1800.dll,
# fn1800.dll, dn1800.dll, bn1800.dll, voredirav44.dll), the code-info file QZ01.csl
# and help files (*.chm); anything else in FOLDER is left out. Each file becomes one
# line "name|date|size" in [tq58] (its local last-write time as YYYY-MM-DD HH:MM:SS:
# the program offers a file to users whose copy is older) and one line
# "file=sha256|size" in [sha256]; the program installs only those exact bytes.
# [release] holds "serial=N" and "expires=YYYY-MM-DDTHH:MM:SSZ" (UTC).
#
# The signing tool orvalin-update-sign is built with the project; it is taken from
# $ORVALIN_UPDATE_SIGN, else from PATH, else from the build folder beside scripts/.
set -euo pipefail

usage() {
  echo "usage: $0 --key KEY_FILE [--name SERVER_NAME] [--output OUTPUT] [--serial N] [--valid-days DAYS] FOLDER BASE_URL" >&2
  echo "       $0 --genkey KEY_FILE" >&2
  echo "       $0 --help" >&2
  exit 2
}

name="主服务器"
output=""
key=""
genkey=""
serial=""
valid_days=30
positional=()
while [ "$#" -gt 0 ]; do
  case "$1" in
    -h|--help) sed -n '2,37p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -n|--name|-o|--output|-k|--key|-g|--genkey|-s|--serial|-d|--valid-days)
      [ "$#" -ge 2 ] || { echo "$0: $1 needs a value" >&2; usage; }
      case "$1" in
        -n|--name) name="$2" ;;
        -o|--output) output="$2" ;;
        -k|--key) key="$2" ;;
        -g|--genkey) genkey="$2" ;;
        -s|--serial) serial="$2" ;;
        -d|--valid-days) valid_days="$2" ;;
      esac
      shift 2 ;;
    --name=*) name="${1#*=}"; shift ;;
    --output=*) output="${1#*=}"; shift ;;
    --key=*) key="${1#*=}"; shift ;;
    --genkey=*) genkey="${1#*=}"; shift ;;
    --serial=*) serial="${1#*=}"; shift ;;
    --valid-days=*) valid_days="${1#*=}"; shift ;;
    --) shift; positional+=("$@"); break ;;
    -*) echo "$0: unknown option $1" >&2; usage ;;
    *) positional+=("$1"); shift ;;
  esac
done
set -- ${positional[@]+"${positional[@]}"}

sign_tool="${ORVALIN_UPDATE_SIGN:-}"
if [ -z "$sign_tool" ]; then
  sign_tool="$(command -v orvalin-update-sign || true)"
fi
if [ -z "$sign_tool" ]; then
  sign_tool="$(cd "$(dirname "$0")/.." && pwd)/build/orvalin-update-sign"
fi
[ -x "$sign_tool" ] || { echo "$0: signing tool not found: $sign_tool (build target orvalin-update-sign)" >&2; exit 1; }

if [ -n "$genkey" ]; then
  [ "$#" -eq 0 ] || usage
  exec "$sign_tool" keygen "$genkey"
fi

if [ "$#" -ne 2 ] || [ -z "$key" ]; then
  usage
fi
folder="$1"
base="$2"
[ -d "$folder" ] || { echo "$0: not a folder: $folder" >&2; exit 1; }
[ -r "$key" ] || { echo "$0: cannot read the key file: $key" >&2; exit 1; }
case "$base" in
  http://*|https://*) ;;
  *) echo "$0: the base URL must start with http:// or https://" >&2; exit 2 ;;
esac
case "$base" in */) ;; *) base="$base/" ;; esac
case "$name" in *[=\[\]]*|"") echo "$0: unusable server name: $name" >&2; exit 2 ;; esac
[ -n "$serial" ] || serial="$(date -u +%s)"
[[ "$serial" =~ ^[0-9]{1,19}$ ]] || { echo "$0: the serial must be a decimal number: $serial" >&2; exit 2; }
[[ "$valid_days" =~ ^[0-9]{1,5}$ ]] && [ "$valid_days" -ge 1 ] ||
  { echo "$0: the validity must be a number of days, at least 1: $valid_days" >&2; exit 2; }
expires="$(date -u -d "+${valid_days} days" '+%Y-%m-%dT%H:%M:%SZ')"
[ -n "$output" ] || output="$folder/update.ini"

tmp="$(mktemp "${output}.XXXXXX")"
sigtmp="$(mktemp "${output}.sig.XXXXXX")"
trap 'rm -f "$tmp" "$sigtmp"' EXIT
lines=()
hashes=()
while IFS= read -r -d '' file; do
  file_name="$(basename "$file")"
  case "$file_name" in
    on1800.dll|sn1800.dll|fn1800.dll|dn1800.dll|bn1800.dll|voredirav44.dll) listed="${file_name%.dll}" ;;
    QZ01.csl|*.chm) listed="$file_name" ;;
    update.ini|update.ini.sig) continue ;;
    *) echo "$0: left out (not a data file the program updates): $file" >&2; continue ;;
  esac
  # The program accepts only plain names: letters, digits, '_', '-', '.'.
  if ! [[ "$listed" =~ ^[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}$ ]] || [[ "$listed" == *..* ]]; then
    echo "$0: left out (name not allowed): $file" >&2
    continue
  fi
  size="$(stat -L -c %s "$file")"
  lines+=("$listed|$(date -r "$file" '+%Y-%m-%d %H:%M:%S')|$size")
  hashes+=("$file_name=$(sha256sum < "$file" | cut -d' ' -f1)|$size")
done < <(find "$folder" -maxdepth 1 -type f -print0 | LC_ALL=C sort -z)
{
  printf '[server]\r\n%s=%s\r\n' "$name" "$base"
  printf '[release]\r\nserial=%s\r\nexpires=%s\r\n' "$serial" "$expires"
  printf '[tq58]\r\n'
  n=0
  for l in ${lines[@]+"${lines[@]}"}; do
    n=$((n + 1))
    printf '%d=%s\r\n' "$n" "$l"
  done
  printf '[sha256]\r\n'
  for h in ${hashes[@]+"${hashes[@]}"}; do printf '%s\r\n' "$h"; done
} > "$tmp"
"$sign_tool" sign "$key" "$tmp" > "$sigtmp"
chmod 644 "$tmp" "$sigtmp"
mv "$tmp" "$output"
mv "$sigtmp" "$output.sig"
trap - EXIT
echo "wrote $output and $output.sig (serial $serial, valid until $expires)" >&2
