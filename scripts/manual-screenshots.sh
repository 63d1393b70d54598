#!/usr/bin/env bash
# Makes the user manual's screenshots: the real program's window against the
# simulated remote, on an X server of its own (Xvfb, 1280 x 1024), in every state
# the manual shows, in each language; the pictures go into MANUAL_DIR/LANG/images/.
#   scripts/manual-screenshots.sh SHOTS_TOOL MANUAL_DIR
# SHOTS_TOOL is the build's orvalin-manual-shots (cmake --build build --target
# manual_screenshots runs this script with it). The user's own data is never
# touched: backups and state go to a scratch folder.
set -euo pipefail
# shellcheck source=scripts/lib/usage.sh
. "$(dirname "$0")/lib/usage.sh" && usage_if_asked "$0" "$@"
[ $# -eq 2 ] || { echo "usage: $0 SHOTS_TOOL MANUAL_DIR" >&2; exit 2; }
tool=$1
manual=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/run" && chmod 700 "$scratch/run"
export HOME="$scratch" XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch/run"
export ORVALIN_BACKUP_DIR="$scratch/backups" ORVALIN_VENDOR_HOST=localhost.invalid
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8
for lang in zh en; do
    rm -rf "${manual:?}/$lang/images"
    xvfb-run -a -s "-screen 0 1280x1024x24" "$tool" --lang "$lang" "$manual/$lang/images"
done
