#!/usr/bin/env bash
# Runs a command against the remote emulated behind the kernel's own interfaces
# (umockdev): the command's device calls go through the real Linux backend
# (VORKEL_BACKEND unset) to an emulated remote whose memory is the simulated
# remote's state file. Prints nothing of its own on success.
set -euo pipefail

usage() {
  cat <<'TEXT'
usage: scripts/emulated-remote.sh [--signals DIR] COMMAND [ARGUMENT...]

Builds the emulated remote (the orvalin-emulated-remote target) if needed, then runs
COMMAND under the umockdev preload with VORKEL_BACKEND unset, so the unmodified Linux
backend of libvorkel.so talks to a remote behind /sys, /dev/hidrawN and /dev/bus/usb.

  scripts/emulated-remote.sh build/orvalin-cli info
      prints what `build/orvalin-cli --simulated info` prints for the same remote
  scripts/emulated-remote.sh build/orvalin

The remote's memory is the simulated remote's state file (VORKEL_SIM_STATE, else
$XDG_DATA_HOME/orvalin/simulated-remote.state); writes are kept there. Captures play the
"mode2" files of DIR (or VORKEL_SIM_SIGNALS), else the built-in demo signals.
ORVALIN_BUILD_DIR names the build folder (default: build beside this script's folder).
TEXT
}

case "${1:-}" in
  -h|--help) usage; exit 0 ;;
  "") usage >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVALIN_BUILD_DIR:-$root/build}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if [ ! -f "$build/build.ninja" ]; then
  if ! cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
fi
if ! cmake --build "$build" --target orvalin-emulated-remote >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
rm -f "$log"
trap - EXIT
exec "$build/orvalin-emulated-remote" "$@"
