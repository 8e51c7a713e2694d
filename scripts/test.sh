#!/usr/bin/env bash
# Runs every test on a fresh Debian machine: installs what is missing, then
#   1. the native tree (ASan + UBSan): unit suites and service tests through ctest;
#   2. the optimised native tree: benchmark limits (tests/bench/check_*.sh); the fuzz targets
#      (tests/fuzz, clang's libFuzzer) for a few seconds each;
#   3. the Windows tree (MinGW-w64): the adapter suites under Wine on a private X server;
#   4. the whole-program scenarios under Wine (tests/e2e/*_test.sh).
# Ends with one line "N passed, N failed" counting those steps and scenarios.
set -uo pipefail
source "$(dirname "$0")/common.sh"
source "$QVX_ROOT/scripts/wine_env.sh"
cd "$QVX_ROOT"

qvx_install_deps || exit 1

passed=0
failed=0
failures=()
check() {
    local name=$1
    shift
    qvx_step "$name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "FAILED: $name"
    fi
}

export QVX_NATIVE_BUILD=$QVX_ROOT/build/native
export QVX_RELEASE_BUILD=$QVX_ROOT/build/native-release
export QVX_WIN_BUILD=$QVX_ROOT/build/windows

native_suites() {
    qvx_build native "$QVX_NATIVE_BUILD" &&
        ctest --test-dir "$QVX_NATIVE_BUILD" --output-on-failure -j2
}
check "native build and unit suites" native_suites

# The optimised tree serves the benchmarks and the scenarios' service: only what they run is built.
if qvx_build native-release "$QVX_RELEASE_BUILD" quorvex-stats tint_refresh_bench \
    main_form_tick_bench group_commit_bench; then
    for s in tests/bench/check_*.sh; do
        [ -e "$s" ] && check "benchmark $(basename "$s" .sh)" bash "$s"
    done
else
    check "optimised native build" false
fi

check "fuzz targets" bash tests/fuzz/run.sh

windows_suites() {
    qvx_build windows "$QVX_WIN_BUILD" || return 1
    (
        qvx_wine_env "$QVX_WIN_BUILD"
        qvx_x_start xvfb && qvx_wine_up &&
            ctest --test-dir "$QVX_WIN_BUILD" --output-on-failure -j2
    )
}
check "Windows build and suites under Wine" windows_suites

for s in tests/e2e/*_test.sh; do
    [ -e "$s" ] && check "scenario $(basename "$s" .sh)" timeout 900 bash "$s"
done

qvx_step "done"
for f in "${failures[@]}"; do echo "failed: $f"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
