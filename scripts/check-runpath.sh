#!/usr/bin/env bash
# Fails when an ELF file's RPATH or RUNPATH holds an empty or relative entry: the
# loader reads those against the current folder of whoever starts the program, so a
# library placed there would be loaded. Only absolute folders and $ORIGIN (alone or
# followed by "/...") pass.
#   scripts/check-runpath.sh FILE_OR_FOLDER...
# Folders are searched for ELF files. Exit status 0 all sound, 1 an unsound entry,
# 2 bad usage.
set -euo pipefail

if [ "$#" -eq 0 ] || [ "$1" = "-h" ] || [ "$1" = "--help" ]; then
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
    [ "$#" -gt 0 ] && exit 0
    exit 2
fi
command -v readelf >/dev/null || { echo "check-runpath: readelf not found (binutils)" >&2; exit 2; }

is_elf() { [ -f "$1" ] && [ ! -L "$1" ] && [ "$(head -c 4 "$1" | od -An -c | tr -d ' ')" = '177ELF' ]; }

bad=0
checked=0
check_file() {
    local file=$1 line list entry
    checked=$((checked + 1))
    while IFS= read -r line; do
        list=${line#*\[}
        list=${list%\]*}
        # Every entry, an empty one before, between or after the colons included.
        while :; do
            entry=${list%%:*}
            case "$entry" in
                /* | '$ORIGIN' | '$ORIGIN/'* | '${ORIGIN}' | '${ORIGIN}/'*) ;;
                '') echo "check-runpath: $file: empty entry in [${line#*\[}" >&2; bad=1 ;;
                *) echo "check-runpath: $file: relative entry '$entry' in [${line#*\[}" >&2; bad=1 ;;
            esac
            [ "$list" = "${list#*:}" ] && break
            list=${list#*:}
        done
    done < <(readelf -d "$file" 2>/dev/null | grep -E 'Library (runpath|rpath):' || true)
}

for arg in "$@"; do
    if [ -d "$arg" ]; then
        while IFS= read -r -d '' file; do
            is_elf "$file" && check_file "$file"
        done < <(find "$arg" -type f -print0)
    elif is_elf "$arg"; then
        check_file "$arg"
    else
        echo "check-runpath: not an ELF file or folder: $arg" >&2
        exit 2
    fi
done
[ "$bad" -eq 0 ] || exit 1
echo "check-runpath: $checked ELF files, no empty or relative RPATH/RUNPATH entries"
