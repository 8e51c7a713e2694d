#!/usr/bin/env bash
# quorvex.exe at rest beside the floor of a lean program (tests/bench/lean_floor.cpp: one
# 750x450 window, one tray icon, a one-second timer that loads a gamma ramp and repaints a line
# of Chinese text), side by side under one Wine prefix. Run by hand:
#
#   bash tests/bench/lean_at_rest.sh [--seconds N] [--settle N] [--build DIR] [--display :N]
#                                    [--quorvex PATH] [--where]
#
#   --seconds N     length of each sampled phase (default 60)
#   --settle N      seconds both programs run before a phase is sampled (default 20)
#   --build DIR     the Windows tree (default build/windows; quorvex, qvx_lean_floor and
#                   qvx_window_probe are built there when missing or stale)
#   --display :N    an X server that is already running (default: a private Xvfb)
#   --quorvex PATH  measure this quorvex.exe instead of the tree's (e.g. an earlier build)
#   --where         also print where the memory goes: /proc/PID/smaps of both processes summed
#                   per mapping (each DLL and .so, the heap, anonymous memory), largest
#                   difference first, and the modules quorvex.exe has mapped that the floor has not
#                   (every row in <build>/lean-bench/where-window-{shown,hidden}.txt)
#
# Both programs run in the prefix <build>/lean-bench/wineprefix with a fresh HKCU\Software\quorvex.
# quorvex.exe's statistics host is a loopback address where a stub of the service answers the
# version check ("0.1": nothing newer) and the usage report ("1"), so the first tick's exchange
# runs its whole course (XMLHTTP, WMI) and nothing reaches the internet.
#
# Phase 1: quorvex.exe with its window shown. Phase 2: its window hidden by its hide picture
# (the floor stays as it is). For each phase and program: resident set (VmRSS of the Wine process
# running the .exe, at the end of the phase) and processor time (utime + stime, as ms per minute).
# Goals: quorvex resident <= floor + 10 MiB; CPU shown <= 2 x the floor's; CPU hidden <= the floor's.
# Exit code 0 when every goal holds, 1 when one does not, 2 when the run itself failed.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QVX_ROOT/scripts/wine_env.sh"
cd "$QVX_ROOT"

seconds=60
settle=20
build=$QVX_ROOT/build/windows
display=""
quorvex=""
where=0
while [ $# -gt 0 ]; do
    case $1 in
        --seconds) seconds=$2; shift 2 ;;
        --settle) settle=$2; shift 2 ;;
        --build) build=$2; shift 2 ;;
        --display) display=$2; shift 2 ;;
        --quorvex) quorvex=$2; shift 2 ;;
        --where) where=1; shift ;;
        *) echo "unknown argument: $1 (see the header of $0)" >&2; exit 2 ;;
    esac
done

fail() {
    echo "FAIL (lean_at_rest): $*" >&2
    exit 2
}

qvx_step "build quorvex, qvx_lean_floor, qvx_window_probe in $build"
qvx_build windows "$build" quorvex qvx_lean_floor qvx_window_probe >/dev/null || fail "build"
[ -n "$quorvex" ] || quorvex=$build/app/quorvex.exe
[ -f "$quorvex" ] || fail "no $quorvex"

work=$build/lean-bench
mkdir -p "$work"
qvx_wine_env "$work"
stub_pid=""
cleanup() {
    [ -n "$stub_pid" ] && kill "$stub_pid" 2>/dev/null
    qvx_wine_cleanup
}
trap cleanup EXIT
if [ -n "$display" ]; then
    export DISPLAY=$display
    qvx_display_works || fail "no X server at $display"
else
    qvx_x_start xvfb || fail "X server"
fi
if [ -f "$WINEPREFIX/system.reg" ]; then
    wineserver -p
    wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v quorvex /f \
        </dev/null >/dev/null 2>&1
    wine reg delete 'HKCU\Software\quorvex' /f </dev/null >/dev/null 2>&1
    wineboot </dev/null >/dev/null 2>&1
else
    qvx_wine_up
fi

# The service stub (tests/e2e/tools/stats_stub.py): answers on port 8091 of a free 127.0.0.x and
# writes each request line to its log.
requests=$work/requests.log
: >"$requests"
python3 "$QVX_ROOT/tests/e2e/tools/stats_stub.py" answer "$requests" 0.1 3600 >"$work/stub.out" 2>&1 &
stub_pid=$!
for _ in $(seq 50); do
    [ -s "$work/stub.out" ] && break
    sleep 0.1
done
stats_host=$(head -1 "$work/stub.out")
[[ $stats_host == 127.0.0.* ]] || fail "service stub: $(cat "$work/stub.out")"
wine reg add 'HKCU\Software\quorvex' /v StatsHost /t REG_SZ /d "$stats_host" /f \
    </dev/null >/dev/null 2>&1

install=$WINEPREFIX/drive_c/LeanBench
rm -rf "$install"
mkdir -p "$install"
cp "$quorvex" "$install/quorvex.exe"
cp "$build/app/quorvex.ico" "$install/" 2>/dev/null
cp "$build/tests/bench/qvx_lean_floor.exe" "$install/"

# The Wine process of an .exe of this prefix.
pid_of() {
    local pid
    for pid in $(pgrep -if "(^|[\\\\/])$1\$"); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            echo "$pid" && return 0
    done
    return 1
}
window() {
    wine "$build/tests/e2e/tools/qvx_window_probe.exe" rect QuorvexMainForm </dev/null 2>/dev/null |
        tr -d '\r'
}
shown() { w=$(window) && [ "${w##* }" = 1 ]; }
hidden() { w=$(window) && [ "${w##* }" = 0 ]; }
exchanged() { grep -q Versionpc "$requests" && grep -q addappUserinfo "$requests"; }

qvx_step "start qvx_lean_floor.exe and quorvex.exe (statistics host $stats_host)"
(cd "$install" && exec wine ./qvx_lean_floor.exe </dev/null >>"$work/wine.log" 2>&1 &)
(cd "$install" && exec wine ./quorvex.exe </dev/null >>"$work/wine.log" 2>&1 &)
qvx_wait 40 pid_of qvx_lean_floor.exe >/dev/null || fail "qvx_lean_floor.exe did not start"
qvx_wait 40 shown || fail "quorvex.exe showed no window"
floor_pid=$(pid_of qvx_lean_floor.exe)
qvx_pid=$(pid_of quorvex.exe)
qvx_wait 30 exchanged || fail "no version check and usage report within 30 s: $(cat "$requests")"
stored() {
    wine reg query 'HKCU\Software\quorvex' /v PostServer </dev/null 2>/dev/null | tr -d '\r' |
        grep -q 'PostServer.*REG_SZ.*1'
}
qvx_wait 10 stored || fail "the usage report was answered but PostServer is not 1"
echo "exchange done: version check and usage report answered, PostServer stored"

rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

# Samples both programs over one phase: "<floor rss kB> <floor ms/min> <quorvex rss kB> <quorvex ms/min>".
phase() {
    local f0 q0 f1 q1
    f0=$(cpu_ticks "$floor_pid") q0=$(cpu_ticks "$qvx_pid")
    sleep "$seconds"
    f1=$(cpu_ticks "$floor_pid") q1=$(cpu_ticks "$qvx_pid")
    echo "$(rss_kb "$floor_pid") $(((f1 - f0) * 1000 * 60 / hz / seconds))" \
        "$(rss_kb "$qvx_pid") $(((q1 - q0) * 1000 * 60 / hz / seconds))"
}

# Per-mapping resident kB of one process: "<kB>\t<mapping>" (the file's name, or [heap],
# [anon] and the like).
mappings() {
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = NF >= 6 ? $6 : "[anon]"; n = split(name, p, "/");
                                   name = p[n] }
         /^Rss:/ { kb[name] += $2 }
         END { for (m in kb) printf "%d\t%s\n", kb[m], m }' "/proc/$1/smaps"
}

where_memory() {
    local label=$1
    mappings "$floor_pid" >"$work/floor.map"
    mappings "$qvx_pid" >"$work/quorvex.map"
    python3 - "$work/floor.map" "$work/quorvex.map" "$label" "$work/where-${label// /-}.txt" <<'EOF'
import sys
def load(p):
    d = {}
    for line in open(p):
        kb, name = line.rstrip("\n").split("\t", 1)
        d[name] = int(kb)
    return d
floor, qvx = load(sys.argv[1]), load(sys.argv[2])
print("\nwhere the memory goes (%s): resident kB per mapping, largest difference first" % sys.argv[3])
print("%-34s %9s %9s %9s" % ("mapping", "floor", "quorvex", "diff"))
names = sorted(set(floor) | set(qvx), key=lambda n: -abs(qvx.get(n, 0) - floor.get(n, 0)))
shown = 0
with open(sys.argv[4], "w") as every:
    for n in names:
        d = qvx.get(n, 0) - floor.get(n, 0)
        row = "%-34s %9d %9d %+9d" % (n[:34], floor.get(n, 0), qvx.get(n, 0), d)
        every.write(row + "\n")
        if abs(d) >= 64 and shown < 30:
            shown += 1
            print(row)
print("%-34s %9d %9d %+9d" % ("total", sum(floor.values()), sum(qvx.values()),
                              sum(qvx.values()) - sum(floor.values())))
only = sorted(n for n in qvx if n not in floor and (n.endswith(".dll") or ".so" in n))
print("modules only quorvex.exe maps (%d): %s" % (len(only), " ".join(only)))
print("every mapping: %s" % sys.argv[4])
EOF
    # Anonymous memory in large pieces: window buffers (a 750x450 DIB is 1,318 kB), heaps,
    # images Wine had to copy rather than map.
    echo "anonymous regions of 256 kB or more (address, kB resident of kB):"
    local pid
    for pid in "$floor_pid" "$qvx_pid"; do
        awk -v who="$([ "$pid" = "$floor_pid" ] && echo floor || echo quorvex)" '
            /^[0-9a-f]+-[0-9a-f]+ / { anon = NF < 6; range = $1 }
            /^Size:/ { size = $2 }
            /^Rss:/ { if (anon && $2 >= 256) printf "  %-8s %-28s %6d of %6d\n", who, range, $2, size }' \
            "/proc/$pid/smaps"
    done
}

qvx_step "settle ${settle} s, then sample ${seconds} s with quorvex.exe's window shown"
sleep "$settle"
read -r f_rss_s f_cpu_s q_rss_s q_cpu_s <<<"$(phase)"
[ "$where" = 1 ] && where_memory "window shown"

# The hide picture (YinCangImage: 10005, 165, 1035 x 495 twips; 15 twips a pixel here).
read -r left top _ <<<"$(window)"
xdotool mousemove $((left + (10005 + 517) / 15)) $((top + (165 + 247) / 15))
sleep 0.3
xdotool mousedown 1
sleep 0.1
xdotool mouseup 1
qvx_wait 10 hidden || fail "the hide picture did not hide quorvex.exe's window"
# The pointer away from both windows.
xdotool mousemove 1020 10

qvx_step "settle ${settle} s, then sample ${seconds} s with quorvex.exe's window hidden"
sleep "$settle"
read -r f_rss_h f_cpu_h q_rss_h q_cpu_h <<<"$(phase)"
[ "$where" = 1 ] && where_memory "window hidden"

mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
verdict() { [ "$1" = 1 ] && echo holds || echo "DOES NOT HOLD"; }
rss_ok=$((q_rss_s <= f_rss_s + 10240 && q_rss_h <= f_rss_h + 10240))
shown_ok=$((q_cpu_s <= 2 * f_cpu_s))
hidden_ok=$((q_cpu_h <= f_cpu_h))
echo
printf '%-30s %12s %12s\n' "over ${seconds} s per phase" floor quorvex
printf '%-30s %12s %12s\n' "resident MiB, window shown" "$(mib "$f_rss_s")" "$(mib "$q_rss_s")"
printf '%-30s %12s %12s\n' "resident MiB, window hidden" "$(mib "$f_rss_h")" "$(mib "$q_rss_h")"
printf '%-30s %12s %12s\n' "CPU ms per minute, shown" "$f_cpu_s" "$q_cpu_s"
printf '%-30s %12s %12s\n' "CPU ms per minute, hidden" "$f_cpu_h" "$q_cpu_h"
echo
echo "resident <= floor + 10 MiB:     $(verdict $rss_ok)"
echo "CPU shown <= 2 x floor:         $(verdict $shown_ok)"
echo "CPU hidden <= floor:            $(verdict $hidden_ok)"
echo "(CPU is counted in clock ticks of $((1000 / hz)) ms)"
[ $((rss_ok && shown_ok && hidden_ok)) = 1 ]
