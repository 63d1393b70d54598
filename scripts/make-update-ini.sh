#!/usr/bin/env bash
# Writes the "update.ini" that the update window reads, for a folder of update
# files (*.dll), so that any static web server can offer updates:
#
#   scripts/make-update-ini.sh [-n SERVER_NAME] [-o OUTPUT] FOLDER BASE_URL
#
# FOLDER    the folder holding the new versions of the .dll files
# BASE_URL  the URL under which the web server serves FOLDER (a "/" is added if missing)
# -n        the server's name shown in the update window (default "主服务器")
# -o        where to write the configuration (default FOLDER/update.ini)
#
# Each file becomes one line "name|date|size": its base name, its local last-write
# time as YYYY-MM-DD HH:MM:SS, and its size in bytes. The program offers a file
# to users whose copy is older than that date.
set -euo pipefail

name="主服务器"
output=""
while getopts "n:o:h" opt; do
  case "$opt" in
    n) name="$OPTARG" ;;
    o) output="$OPTARG" ;;
    h) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ "$#" -ne 2 ]; then
  echo "usage: $0 [-n SERVER_NAME] [-o OUTPUT] FOLDER BASE_URL" >&2
  exit 2
fi
folder="$1"
base="$2"
[ -d "$folder" ] || { echo "$0: not a folder: $folder" >&2; exit 1; }
case "$base" in
  http://*|https://*) ;;
  *) echo "$0: the base URL must start with http:// or https://" >&2; exit 1 ;;
esac
case "$base" in */) ;; *) base="$base/" ;; esac
case "$name" in *[=\[\]]*|"") echo "$0: unusable server name: $name" >&2; exit 1 ;; esac
[ -n "$output" ] || output="$folder/update.ini"

tmp="$(mktemp "${output}.XXXXXX")"
trap 'rm -f "$tmp"' EXIT
{
  printf '[server]\r\n%s=%s\r\n[tq58]\r\n' "$name" "$base"
  n=0
  while IFS= read -r -d '' file; do
    base_name="$(basename "$file" .dll)"
    # The program accepts only plain names: letters, digits, '_', '-', '.'.
    if ! [[ "$base_name" =~ ^[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}$ ]] || [[ "$base_name" == *..* ]]; then
      echo "$0: skipped (name not allowed): $file" >&2
      continue
    fi
    n=$((n + 1))
    printf '%d=%s|%s|%s\r\n' "$n" "$base_name" \
      "$(date -r "$file" '+%Y-%m-%d %H:%M:%S')" "$(stat -L -c %s "$file")"
  done < <(find "$folder" -maxdepth 1 -type f -name '*.dll' -print0 | sort -z)
} > "$tmp"
chmod 644 "$tmp"
mv "$tmp" "$output"
trap - EXIT
echo "wrote $output" >&2
