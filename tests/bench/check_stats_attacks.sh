#!/usr/bin/env bash
# Hostile clients against the optimised quorvex-stats, in their quick form (about 15 s): bodies
# and heads over the limits, many ranges, a 300 MiB file, 2,000 idle clients, 3,000 holding
# unfinished heads and 200 slow ones beside version checks (p99 under 100 ms) and a report,
# SIGTERM with slow clients attached (under 1 s), a locked database; peak RSS under 64 MiB in
# each, no acknowledged report lost.
# By hand, full size: python3 tests/bench/stats_attacks.py build/native-release/server/quorvex-stats
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QVX_ROOT"

bin=$(qvx_stats_binary)
python3 tests/bench/stats_attacks.py "$bin" --quick --check
