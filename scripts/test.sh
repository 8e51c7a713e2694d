#!/usr/bin/env bash
# Runs every test on a fresh Debian machine: installs what is missing, then
#   1. the native tree (ASan + UBSan): unit suites and service tests through ctest;
#   2. the optimised native tree: benchmark limits (tests/bench/check_*.sh), on a quiet machine;
#      the fuzz targets (tests/fuzz, clang's libFuzzer) for a few seconds each;
#   3. the Windows tree (MinGW-w64): the adapter suites under Wine on a private X server;
#   4. the whole-program scenarios (tests/e2e/*_test.sh) in four lanes side by side: quorvex.exe's
#      in two (a Wine prefix each), the installer's and the updater's (prefixes of their own), and
#      the service's (ports of their own); within a lane one after another.
# Ends with each stage's time and one line "N passed, N failed" counting those steps and
# scenarios.
set -uo pipefail
source "$(dirname "$0")/common.sh"
source "$QVX_ROOT/scripts/wine_env.sh"
cd "$QVX_ROOT"

qvx_install_deps || exit 1

passed=0
failed=0
failures=()
times=()
note() {  # <name> <status> <seconds>
    times+=("$(printf '%5ss  %s' "$3" "$1")")
    if [ "$2" -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$1")
        echo "FAILED: $1"
    fi
}
check() {
    local name=$1 t0 status
    shift
    qvx_step "$name"
    t0=$(date +%s)
    "$@"
    status=$?
    note "$name" "$status" $(($(date +%s) - t0))
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

# A lane runs its scenarios one after another into its own log; a line per scenario in the
# results file: status, seconds, name.
lane() {  # <results file> <log file> <scenario>...
    local results=$1 log=$2 s t0 status
    shift 2
    for s in "$@"; do
        t0=$(date +%s)
        echo "== [$(($(date +%s) - QVX_T0))s] scenario $(basename "$s" .sh)" >>"$log"
        QVX_E2E_PREFIX=${QVX_E2E_PREFIX:-quorvex} timeout 900 bash "$s" >>"$log" 2>&1
        status=$?
        echo "$status $(($(date +%s) - t0)) scenario $(basename "$s" .sh)" >>"$results"
    done
}
lanes=$QVX_ROOT/build/lanes
rm -rf "$lanes"
mkdir -p "$lanes"
quorvex_a=()
quorvex_b=()
setup_scenarios=()
service_scenarios=()
for s in tests/e2e/*_test.sh; do
    case $(basename "$s") in
        # The long ones (the schedule waits for a change under a faked clock) in one lane, so
        # the two take about as long; a new scenario joins the other.
        quorvex_schedule_* | quorvex_aside_* | quorvex_displays_* | quorvex_keyboard_* | \
            quorvex_scale_*) quorvex_a+=("$s") ;;
        quorvex_*) quorvex_b+=("$s") ;;
        stats_*) service_scenarios+=("$s") ;;
        *) setup_scenarios+=("$s") ;;
    esac
done
qvx_step "scenarios in four lanes: $((${#quorvex_a[@]} + ${#quorvex_b[@]})) of quorvex.exe in two," \
    "${#setup_scenarios[@]} of the setup and the updater, ${#service_scenarios[@]} of the service"
t0=$(date +%s)
(QVX_E2E_PREFIX=quorvex lane "$lanes/quorvex-a.results" "$lanes/quorvex-a.log" "${quorvex_a[@]}") &
lane_pids=($!)
(QVX_E2E_PREFIX=quorvex-b lane "$lanes/quorvex-b.results" "$lanes/quorvex-b.log" "${quorvex_b[@]}") &
lane_pids+=($!)
lane "$lanes/setup.results" "$lanes/setup.log" "${setup_scenarios[@]}" &
lane_pids+=($!)
lane "$lanes/service.results" "$lanes/service.log" "${service_scenarios[@]}" &
lane_pids+=($!)
wait "${lane_pids[@]}"
lane_names=(quorvex-a quorvex-b setup service)
for l in "${lane_names[@]}"; do
    cat "$lanes/$l.log"
done
for l in "${lane_names[@]}"; do
    while read -r status seconds name; do
        note "$name" "$status" "$seconds"
    done <"$lanes/$l.results"
done
times+=("$(printf '%5ss  %s' $(($(date +%s) - t0)) "the four lanes of scenarios, side by side")")

qvx_step "done"
echo "time per stage:"
printf '  %s\n' "${times[@]}"
for f in "${failures[@]}"; do echo "failed: $f"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
