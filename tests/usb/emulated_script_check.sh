#!/usr/bin/env bash
# scripts/emulated-remote.sh against the simulated remote: for the same state
# file, `orvalin-cli info` and `keys` through the emulated remote (real Linux
# backend) print exactly what `orvalin-cli --simulated` prints, and the script
# adds nothing of its own.
set -euo pipefail
source_dir=$1
build_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ORVALIN_BUILD_DIR=$build_dir VORKEL_SIM_STATE=$work/remote.state VORKEL_SIM_LATENCY_US=0
export ORVALIN_BACKUP_DIR=$work/backups
unset VORKEL_BACKEND
cli=$build_dir/orvalin-cli
script=$source_dir/scripts/emulated-remote.sh

"$script" --help | grep -q '^usage: scripts/emulated-remote.sh'

# A remote that is not the factory one: one learned key, written through the emulation.
printf '000110CF0A00010B00015AA5\n' >"$work/one-key.hex"
"$script" "$cli" restore "$work/one-key.hex" --yes >/dev/null

for command in info "keys --mode TV"; do
  # shellcheck disable=SC2086
  "$script" "$cli" $command >"$work/emulated.out" 2>"$work/emulated.err"
  # shellcheck disable=SC2086
  "$cli" --simulated $command >"$work/simulated.out" 2>"$work/simulated.err"
  if ! cmp -s "$work/emulated.out" "$work/simulated.out"; then
    echo "orvalin-cli $command differs (emulated, then simulated):" >&2
    diff "$work/emulated.out" "$work/simulated.out" >&2 || true
    exit 1
  fi
  if [ -s "$work/emulated.err" ]; then
    echo "unexpected error output:" >&2
    cat "$work/emulated.err" >&2
    exit 1
  fi
done
grep -q 'TV: 1 learned' "$work/emulated.out" || grep -q 'VOL+: learned' "$work/emulated.out"
echo "emulated and simulated remote agree"
