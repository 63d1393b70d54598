#!/usr/bin/env bash
# Writes and signs the "update.ini" that the update window reads, for a folder of
# update files, so that any static web server can offer updates:
#
#   scripts/make-update-ini.sh -g KEY_FILE
#   scripts/make-update-ini.sh -k KEY_FILE [-n SERVER_NAME] [-o OUTPUT] FOLDER BASE_URL
#
# -g KEY_FILE  makes a new key pair: the secret key goes into KEY_FILE (mode 600, never
#              overwritten), the public key is printed; build the program with it:
#              cmake -DORVALIN_UPDATE_PUBLIC_KEY=<public key> ...
# -k KEY_FILE  the secret key that signs the configuration: OUTPUT.sig ("update.ini.sig",
#              base64 Ed25519 over the exact bytes of OUTPUT) is written beside it
# FOLDER       the folder holding the new versions of the data files
# BASE_URL     the URL under which the web server serves FOLDER (a "/" is added if missing)
# -n           the server's name shown in the update window (default "主服务器")
# -o           where to write the configuration (default FOLDER/update.ini)
#
# Only data files are offered: the picture libraries (on1800.dll, sn1800.dll,
# fn1800.dll, dn1800.dll, bn1800.dll, voredirav44.dll), the code-info file QZ01.csl
# and help files (*.chm); anything else in FOLDER is left out. Each file becomes one
# line "name|date|size" in [tq58] (its local last-write time as YYYY-MM-DD HH:MM:SS:
# the program offers a file to users whose copy is older) and one line
# "file=sha256|size" in [sha256]; the program installs only those exact bytes.
#
# The signing tool orvalin-update-sign is built with the project; it is taken from
# $ORVALIN_UPDATE_SIGN, else from PATH, else from the build folder beside scripts/.
set -euo pipefail

name="主服务器"
output=""
key=""
genkey=""
[ "${1:-}" != --help ] || set -- -h
while getopts "n:o:k:g:h" opt; do
  case "$opt" in
    n) name="$OPTARG" ;;
    o) output="$OPTARG" ;;
    k) key="$OPTARG" ;;
    g) genkey="$OPTARG" ;;
    h) sed -n '2,28p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))

sign_tool="${ORVALIN_UPDATE_SIGN:-}"
if [ -z "$sign_tool" ]; then
  sign_tool="$(command -v orvalin-update-sign || true)"
fi
if [ -z "$sign_tool" ]; then
  sign_tool="$(cd "$(dirname "$0")/.." && pwd)/build/orvalin-update-sign"
fi
[ -x "$sign_tool" ] || { echo "$0: signing tool not found: $sign_tool (build target orvalin-update-sign)" >&2; exit 1; }

if [ -n "$genkey" ]; then
  [ "$#" -eq 0 ] || { echo "usage: $0 -g KEY_FILE" >&2; exit 2; }
  exec "$sign_tool" keygen "$genkey"
fi

if [ "$#" -ne 2 ] || [ -z "$key" ]; then
  echo "usage: $0 -k KEY_FILE [-n SERVER_NAME] [-o OUTPUT] FOLDER BASE_URL" >&2
  echo "       $0 -g KEY_FILE" >&2
  exit 2
fi
folder="$1"
base="$2"
[ -d "$folder" ] || { echo "$0: not a folder: $folder" >&2; exit 1; }
[ -r "$key" ] || { echo "$0: cannot read the key file: $key" >&2; exit 1; }
case "$base" in
  http://*|https://*) ;;
  *) echo "$0: the base URL must start with http:// or https://" >&2; exit 1 ;;
esac
case "$base" in */) ;; *) base="$base/" ;; esac
case "$name" in *[=\[\]]*|"") echo "$0: unusable server name: $name" >&2; exit 1 ;; esac
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
  printf '[server]\r\n%s=%s\r\n[tq58]\r\n' "$name" "$base"
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
echo "wrote $output and $output.sig" >&2
