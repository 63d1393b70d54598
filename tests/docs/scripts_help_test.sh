#!/usr/bin/env bash
# Every script in the scripts folder answers --help with its usage and exit
# status 0, and does nothing else (no build, no install). A script that does
# not handle --help at all is reported, not run.
#   scripts_help_test.sh SCRIPTS_DIR
set -uo pipefail
failed=0
for script in "$1"/*.sh; do
    # A script that never looks at --help would run for real: not started.
    if ! grep -q -e 'usage_if_asked' -e '--help' "$script"; then
        echo "$(basename "$script") does not handle --help"
        failed=1
        continue
    fi
    out=$(timeout 10 bash "$script" --help 2>&1)
    status=$?
    if [ "$status" -ne 0 ] || ! grep -q "$(basename "$script")" <<<"$out"; then
        echo "$(basename "$script") --help: exit status $status, usage not shown:"
        echo "$out" | head -5
        failed=1
    fi
done
exit "$failed"
