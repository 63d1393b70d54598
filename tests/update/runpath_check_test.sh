#!/usr/bin/env bash
# The RUNPATH check of the package check: programs linked with empty or relative
# entries fail it, sound ones pass, and so do the build tree's own programs.
#   runpath_check_test.sh CHECK_SCRIPT BUILD_DIR [C_COMPILER]
set -euo pipefail
check=$1
build=$2
compiler=${3:-cc}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
echo 'int main(void) { return 0; }' >"$scratch/main.c"

failures=0
expect() {
    local want=$1 what=$2 status=0
    shift 2
    "$check" "$@" >"$scratch/out" 2>&1 || status=$?
    if [ "$status" -ne "$want" ]; then
        echo "FAIL: $what: exit status $status, expected $want" >&2
        cat "$scratch/out" >&2
        failures=$((failures + 1))
    fi
}

# name|linker flags|expected exit status
cases=(
    'empty last entry|-Wl,--enable-new-dtags,-rpath,$ORIGIN:/usr/lib:|1'
    'empty first entry|-Wl,--enable-new-dtags,-rpath,:$ORIGIN|1'
    'empty middle entry|-Wl,--enable-new-dtags,-rpath,$ORIGIN::/usr/lib|1'
    'relative folder|-Wl,--enable-new-dtags,-rpath,lib|1'
    'dot|-Wl,--enable-new-dtags,-rpath,.|1'
    'origin lookalike|-Wl,--enable-new-dtags,-rpath,$ORIGINAL|1'
    'old-style RPATH, empty entry|-Wl,--disable-new-dtags,-rpath,$ORIGIN:|1'
    'origin|-Wl,--enable-new-dtags,-rpath,$ORIGIN|0'
    'origin below|-Wl,--enable-new-dtags,-rpath,$ORIGIN/../lib:/usr/lib/orvalin|0'
    'braced origin|-Wl,--enable-new-dtags,-rpath,${ORIGIN}|0'
    'none||0'
)
n=0
for c in "${cases[@]}"; do
    IFS='|' read -r what flags want <<<"$c"
    n=$((n + 1))
    # shellcheck disable=SC2086
    "$compiler" -o "$scratch/p$n" "$scratch/main.c" $flags
    expect "$want" "$what" "$scratch/p$n"
done

# A folder fails when any ELF file in it fails; other files are passed over.
mkdir -p "$scratch/tree/sub"
cp "$scratch/p8" "$scratch/tree/good"
cp "$scratch/p1" "$scratch/tree/sub/bad"
echo "not a program" >"$scratch/tree/readme"
expect 1 "folder holding one bad program" "$scratch/tree"
rm "$scratch/tree/sub/bad"
expect 0 "folder of sound programs" "$scratch/tree"
expect 2 "neither ELF file nor folder" "$scratch/main.c"

# The programs of the build tree, as they are started from it.
for program in orvalin orvalin-cli libvorkel.so quendrix.dll; do
    [ -e "$build/$program" ] && expect 0 "build tree: $program" "$build/$program"
done

[ "$failures" -eq 0 ] || exit 1
echo "runpath check test: passed"
