#!/usr/bin/env bash
# Usage counters across a restart on the same day, with the user active (mouse moves):
#   - within about a minute the counters reach the registry (the save of every 60th tick);
#   - the exit image stores them at once, at least as far as the last save;
#   - a restart on the same day continues them, and the next exit stores the sums.
# Also reports the memory use of quorvex.exe after a minute of running.
QVX_E2E_NAME=quorvex_counters
source "$(dirname "$0")/quorvex_e2e.sh"

qvx_e2e_up xvfb
qvx_e2e_start
# An active user: input every two seconds.
(
    for i in $(seq 1 60); do
        xdotool mousemove $((100 + i % 7 * 3)) $((680 + i % 5)) 2>/dev/null
        sleep 2
    done
) &
mover=$!
trap 'kill $mover 2>/dev/null; qvx_wine_cleanup' EXIT

pid=$(qvx_e2e_pids | head -1)
sleep 3
rss_start=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
cpu_start=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")

saved() { [ -n "$(qvx_e2e_reg SetKJSCVlaue)" ]; }
qvx_e2e_wait 75 saved || qvx_e2e_fail "no counters in the registry after 75 s"
kjsc=$(qvx_e2e_reg SetKJSCVlaue) ljsy=$(qvx_e2e_reg SetLJSYVlaue) zdsc=$(qvx_e2e_reg SetZDSCVlaue)
echo "saved after a minute: KJSC=$kjsc LJSY=$ljsy ZDSC=$zdsc"
[ "$kjsc" -ge 59 ] && [ "$kjsc" -le 62 ] || qvx_e2e_fail "KJSC $kjsc after one save"
[ "$ljsy" -ge 40 ] && [ "$ljsy" -le "$kjsc" ] || qvx_e2e_fail "LJSY $ljsy (KJSC $kjsc)"
[ "$zdsc" -ge 40 ] && [ "$zdsc" -le "$ljsy" ] || qvx_e2e_fail "ZDSC $zdsc (LJSY $ljsy)"

# Memory and processor time after a minute of running.
cpu=$(( $(awk '{ print $14 + $15 }' "/proc/$pid/stat") - cpu_start ))
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
anon=$(awk '/^RssAnon/ { print $2 }' "/proc/$pid/status")
win=$(wine "$QVX_E2E_TOOLS/qvx_memory_probe.exe" quorvex.exe </dev/null 2>/dev/null | tr -d '\r' | head -1)
echo "processor time over the minute: $((cpu * 10)) ms (clock ticks of 10 ms)"
echo "memory after a minute: resident ${rss} kB (${rss_start} kB 3 s after start), of it private (anonymous) ${anon} kB;" \
    "GetProcessMemoryInfo: pid/working set/private bytes = ${win:-unavailable}"
qvx_e2e_shot quorvex-main-counting.png

# The user stays "active" for two minutes after the last input; the mover stops so that it
# cannot move the pointer in the middle of the clicks below.
kill "$mover" 2>/dev/null
wait "$mover" 2>/dev/null
# A few more ticks after the save, so that what the exit image stores is newer than it even
# when a loaded machine delays the timer.
sleep 4
qvx_e2e_click_twips $((8515 + 517)) $((165 + 247))
gone() { [ "$(qvx_e2e_count)" = 0 ]; }
qvx_e2e_wait 20 gone || qvx_e2e_fail "the exit image did not end the program"
kjsc1=$(qvx_e2e_reg SetKJSCVlaue) ljsy1=$(qvx_e2e_reg SetLJSYVlaue) zdsc1=$(qvx_e2e_reg SetZDSCVlaue)
echo "stored by the exit image: KJSC=$kjsc1 LJSY=$ljsy1 ZDSC=$zdsc1"
[ "$kjsc1" -gt "$kjsc" ] && [ "$ljsy1" -ge "$ljsy" ] && [ "$zdsc1" -ge "$zdsc" ] ||
    qvx_e2e_fail "the exit image did not store the counters"

# Same day: the counters go on from the stored values.
qvx_e2e_start
sleep 6
qvx_e2e_click_twips $((8515 + 517)) $((165 + 247))
qvx_e2e_wait 20 gone || qvx_e2e_fail "the exit image did not end the restarted program"
kjsc2=$(qvx_e2e_reg SetKJSCVlaue) ljsy2=$(qvx_e2e_reg SetLJSYVlaue) zdsc2=$(qvx_e2e_reg SetZDSCVlaue)
echo "after a restart on the same day: KJSC=$kjsc2 LJSY=$ljsy2 ZDSC=$zdsc2"
[ "$kjsc2" -gt "$kjsc1" ] && [ "$kjsc2" -le $((kjsc1 + 12)) ] ||
    qvx_e2e_fail "KJSC did not continue from $kjsc1"
[ "$ljsy2" -gt "$ljsy1" ] || qvx_e2e_fail "LJSY did not continue from $ljsy1"
# The longest stretch of the day is kept; the new, shorter stretch does not replace it.
[ "$zdsc2" = "$zdsc1" ] || qvx_e2e_fail "ZDSC $zdsc2, the day's longest was $zdsc1"
[ "$(qvx_e2e_reg SetNowDateVlaue)" = "$(date +%F)" ] || qvx_e2e_fail "date changed"
echo "PASS $QVX_E2E_NAME"
