#!/usr/bin/env bash
# The tint refresh runs on every one-second tick of the main window: one refresh (three channels
# and the load) must cost under 5 microseconds on average. Builds and runs the benchmark in the
# optimised native tree ($QVX_RELEASE_BUILD) and fails when any case's mean is over the limit.
# The limit applies to CPU time: on a shared build machine wall time also counts other work.
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
build=${QVX_RELEASE_BUILD:-$QVX_ROOT/build/native-release}
limit_ns=5000

qvx_build native-release "$build" tint_refresh_bench >/dev/null
bench=$(find "$build" -type f -name tint_refresh_bench -perm -u+x | head -n 1)
[ -n "$bench" ] || { echo "tint_refresh_bench not built in $build" >&2; exit 1; }

json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=json --benchmark_out="$json" --benchmark_out_format=json >/dev/null

python3 - "$json" "$limit_ns" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
limit = float(sys.argv[2])
scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
means = [b for b in data["benchmarks"] if b.get("aggregate_name") == "mean"]
if not means:
    sys.exit("no mean in the benchmark output")
worst = 0.0
for b in means:
    ns = b["cpu_time"] * scale[b["time_unit"]]
    wall = b["real_time"] * scale[b["time_unit"]]
    worst = max(worst, ns)
    print(f"{b['run_name']}: mean {ns:.1f} ns CPU, {wall:.1f} ns wall (limit {limit:.0f} ns)")
sys.exit(0 if worst <= limit else f"tint refresh too slow: {worst:.1f} ns > {limit:.0f} ns")
PY
