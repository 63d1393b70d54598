#!/usr/bin/env bash
# Configures and builds one build folder.
#   scripts/build.sh [DIR] [extra cmake arguments...]
# DIR defaults to build/ (GCC, all targets).
set -euo pipefail
# shellcheck source=scripts/lib/usage.sh
. "$(dirname "$0")/lib/usage.sh" && usage_if_asked "$0" "$@"
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
shift || true
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
