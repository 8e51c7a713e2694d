#!/usr/bin/env bash
# The smart mode follows its schedule while running, on Xorg (dummy driver) where ramps load:
# the whole Wine environment, wineserver included, runs under libfaketime with one offset that
# puts the local time shortly before 17:00; night begins at the next whole minute at least 12 s
# after the program starts (17:00, the default, unless Wine was slow to come up), and with
# TransitionMinutes "1" the ramp read back goes 17 -> in between -> 33 without a restart.
# Screenshots of the main window's line before and after the change, and of the settings
# window's schedule column with a place typed into its search field.
QVX_E2E_NAME=quorvex_schedule
source "$(dirname "$0")/quorvex_e2e.sh"

faketime_lib=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
[ -f "$faketime_lib" ] || qvx_e2e_fail "libfaketime missing (apt package faketime)"

qvx_e2e_up xorg
# The Wine server again, this time with the shifted clock for everything it starts.
wineserver -k 2>/dev/null
timeout 20 wineserver -w 2>/dev/null
offset=$(($(date -d "today 16:59:35" +%s) - $(date +%s)))
export LD_PRELOAD=$faketime_lib FAKETIME_DONT_FAKE_MONOTONIC=1
export FAKETIME=$(printf '%+d' "$offset")
wineserver -p
wineboot </dev/null >/dev/null 2>&1
echo "faked local time: $(date +%H:%M:%S) (FAKETIME=$FAKETIME)"

qvx_e2e_set ZNHY 1
qvx_e2e_set TransitionMinutes 1
night=$(( ($(date +%s) + 12 + 59) / 60 * 60 ))
qvx_e2e_set NightStart "$(date -d "@$night" +%H:%M)"
echo "night starts at $(date -d "@$night" +%H:%M)"
qvx_e2e_start
ramp_of() { [ "$(qvx_e2e_ramp | qvx_e2e_high_bytes)" = "$(qvx_e2e_expected_ramp "$1" | qvx_e2e_high_bytes)" ]; }
qvx_e2e_wait 10 ramp_of 17 || qvx_e2e_fail "start at 17 before the night"
echo "$(date +%H:%M:%S): 17"
qvx_e2e_shot quorvex-schedule-line-day.png

# Between 17 and 33: one of the positions 18..32 read back while the change runs.
between() {
    local p ramp
    ramp=$(qvx_e2e_ramp | qvx_e2e_high_bytes)
    for p in $(seq 18 32); do
        [ "$ramp" = "$(qvx_e2e_expected_ramp "$p" | qvx_e2e_high_bytes)" ] && echo "$p" && return 0
    done
    return 1
}
qvx_e2e_wait 80 between >/dev/null || qvx_e2e_fail "no position between 17 and 33 after the change"
echo "$(date +%H:%M:%S): in between ($(between))"
qvx_e2e_wait 70 ramp_of 33 || qvx_e2e_fail "33 not reached after the change"
echo "$(date +%H:%M:%S): 33, without a restart"
[ "$(qvx_e2e_count)" -eq 1 ] || qvx_e2e_fail "quorvex.exe restarted"
[ -z "$(qvx_e2e_reg SetHuYanValue)" ] || qvx_e2e_fail "the schedule's position was stored"
qvx_e2e_shot quorvex-schedule-line-night.png

# The settings window from the "设置" pill; a place typed into its search field (an edit
# control at 628, 202 px of the window) and taken with Enter.
qvx_e2e_click_twips $((7350 + 517)) $((165 + 247))
qvx_e2e_wait 10 qvx_e2e_window_shown QuorvexSettings || qvx_e2e_fail "no settings window"
sleep 1
qvx_e2e_click_twips $(((628 + 60) * 15)) $(((202 + 10) * 15)) QuorvexSettings
sleep 0.5
xdotool type --delay 80 harbin
sleep 1
qvx_e2e_shot quorvex-settings-schedule.png
xdotool key Return
harbin() { [ "$(qvx_e2e_reg Place | iconv -f GBK -t UTF-8)" = 哈尔滨 ] && [ "$(qvx_e2e_reg Schedule)" = sun ]; }
qvx_e2e_wait 5 harbin || qvx_e2e_fail "the search did not take Harbin: Place '$(qvx_e2e_reg Place | iconv -f GBK -t UTF-8)'"
echo "settings window: 'harbin' + Enter -> Place 哈尔滨, $(qvx_e2e_reg Latitude), $(qvx_e2e_reg Longitude)"
sleep 1
qvx_e2e_shot quorvex-settings-schedule-sun.png
echo "PASS $QVX_E2E_NAME"
