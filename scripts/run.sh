#!/usr/bin/env bash
# Builds orvalin and starts it against the simulated remote:
#   scripts/run.sh [ORVALIN OPTIONS...]
# The simulated remote keeps its memory in $VORKEL_SIM_STATE (default: a file in
# the user's data folder), so learned keys survive a restart like on a real remote.
set -euo pipefail
# shellcheck source=scripts/lib/usage.sh
. "$(dirname "$0")/lib/usage.sh" && usage_if_asked "$0" "$@"
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
data=${XDG_DATA_HOME:-$HOME/.local/share}/orvalin
mkdir -p "$data"
export VORKEL_BACKEND=sim
export VORKEL_SIM_STATE=${VORKEL_SIM_STATE:-$data/simulated-remote.state}
exec "$root/build/orvalin" "$@"
