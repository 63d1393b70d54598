#!/usr/bin/env bash
# The folder include check: the source tree has no cycle between folders, and the
# check itself finds a cycle and a product include of test code in small trees.
#   folder_includes_test.sh FOLDER_INCLUDES_PY SOURCE_DIR
set -uo pipefail
check=$1
source_dir=$2
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! out=$(python3 "$check" "$source_dir"); then
    echo "the source tree fails the check:"
    echo "$out" | grep -A5 -e '^cycle' -e '^product'
    failed=1
fi

tree() {  # tree NAME FILE:INCLUDE...
    local root=$work/$1
    shift
    for spec in "$@"; do
        mkdir -p "$root/$(dirname "${spec%%:*}")"
        echo "#include \"${spec#*:}\"" >>"$root/${spec%%:*}"
    done
    echo "$root"
}

expect() {  # expect STATUS PATTERN ROOT
    local out status
    out=$(python3 "$check" "$3")
    status=$?
    if [ "$status" -ne "$1" ] || ! grep -q -- "$2" <<<"$out"; then
        echo "$(basename "$3"): exit status $status, wanted $1 and \"$2\":"
        echo "$out"
        failed=1
    fi
}

expect 0 'app -> core (1)' "$(tree layered app/a.cpp:core/c.h core/c.cpp:core/c.h)"
expect 1 'cycle: a -> b -> c -> a' "$(tree cycle a/x.cpp:b/y.h b/y.cpp:c/z.h c/z.h:a/x.h)"
expect 1 'product folder core includes tests/' "$(tree to_tests core/c.cpp:tests/t.h tests/t.h:core/c.h)"
exit "$failed"
