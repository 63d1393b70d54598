#!/usr/bin/env bash
# Builds and runs every test (scripts/test.sh, no arguments):
#   1. GCC build (build/): the whole suite; then its Debian package, built, checked,
#      installed, run against the simulated remote and removed (scripts/package-check.sh;
#      needs root or sudo; counts as one test).
#   2. Clang build with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/):
#      the whole suite again, plus a short run of every fuzz target (label "fuzz").
#   3. Clang build with ThreadSanitizer (build-tsan/), Qt-free parts only: the device
#      library, whose exports run on several threads at once (link monitor, collection).
# Set ORVALIN_TEST_QUICK=1 to run only the first stage.
set -uo pipefail
# shellcheck source=scripts/lib/usage.sh
. "$(dirname "$0")/lib/usage.sh" && usage_if_asked "$0" "$@"
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" || exit 1

passed=0
failed=0
run_ctest() {  # dir, extra ctest arguments
    local dir=$1
    shift
    local log
    log=$(mktemp)
    (cd "$dir" && ctest --output-on-failure -j "$(nproc)" "$@") 2>&1 | tee "$log"
    local p f
    p=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' "$log" | tail -n1)
    if [ -n "$p" ]; then
        f=${p#* }
        passed=$((passed + ${p% *} - f))
        failed=$((failed + f))
    else
        failed=$((failed + 1))
    fi
    rm -f "$log"
}

echo "== GCC build"
if "$root/scripts/build.sh" "$root/build"; then
    run_ctest "$root/build"
else
    echo "GCC build failed"
    failed=$((failed + 1))
fi

echo "== Debian package"
if "$root/scripts/package-check.sh" "$root/build"; then
    passed=$((passed + 1))
else
    echo "Debian package check failed"
    failed=$((failed + 1))
fi

if [ "${ORVALIN_TEST_QUICK:-0}" != 1 ]; then
    echo "== Clang build with AddressSanitizer, UndefinedBehaviorSanitizer and fuzz targets"
    if CC=clang CXX=clang++ "$root/scripts/build.sh" "$root/build-asan" \
        -DORVALIN_SANITIZE=address,undefined -DORVALIN_FUZZ=ON -DORVALIN_BUILD_BENCH=OFF; then
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
        LSAN_OPTIONS=suppressions=$root/tests/lsan.supp \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            run_ctest "$root/build-asan"
    else
        echo "Clang sanitizer build failed"
        failed=$((failed + 1))
    fi
fi

if [ "${ORVALIN_TEST_QUICK:-0}" != 1 ]; then
    echo "== Clang build with ThreadSanitizer (device library)"
    if CC=clang CXX=clang++ "$root/scripts/build.sh" "$root/build-tsan" \
        -DORVALIN_SANITIZE=thread -DORVALIN_BUILD_APP=OFF -DORVALIN_BUILD_BENCH=OFF; then
        TSAN_OPTIONS=halt_on_error=1 run_ctest "$root/build-tsan" -L device
    else
        echo "Clang ThreadSanitizer build failed"
        failed=$((failed + 1))
    fi
fi

echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
