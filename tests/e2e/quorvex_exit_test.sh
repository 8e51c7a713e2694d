#!/usr/bin/env bash
# The tint on a display that really loads gamma ramps (Xorg, dummy driver), and the two ends:
#   - with a stored strength of 33 and smart mode off, the screen holds the ramp of position 33
#     (preset 3 highlighted, smart switch off);
#   - the exit image restores the identity ramp, removes the tray icon and ends the program;
#   - switches stored as "0" stay off on the next start (auto-start off removes the Run value),
#     and closing the window (WM_CLOSE) also restores the identity ramp.
# The dummy driver keeps 8 bits a level, so ramps are compared by the high byte of each word.
QVX_E2E_NAME=quorvex_exit
source "$(dirname "$0")/quorvex_e2e.sh"

qvx_e2e_up xorg
identity=$(qvx_e2e_expected_ramp 0 | qvx_e2e_high_bytes)
expected=$(qvx_e2e_expected_ramp 33 | qvx_e2e_high_bytes)
[ "$identity" != "$expected" ] || qvx_e2e_fail "ramps of 0 and 33 look alike"
ramp_is() { [ "$(qvx_e2e_ramp | qvx_e2e_high_bytes)" = "$1" ]; }
ramp_is "$identity" || qvx_e2e_fail "the display does not start with the identity ramp"

qvx_e2e_set ZNHY 0
qvx_e2e_set SetHuYanValue 33
qvx_e2e_start
qvx_e2e_wait 30 ramp_is "$expected" || qvx_e2e_fail "the ramp of position 33 is not on the display"
echo "stored strength 33, smart mode off: the display holds the ramp of position 33"
sleep 1
qvx_e2e_shot quorvex-main-preset33-smart-off.png
tray=$(qvx_e2e_tray_pixels)
[ "$tray" -gt 20 ] || qvx_e2e_fail "no tray icon"

# The exit image (TuiChuImage: 8515, 165, 1035 x 495 twips).
qvx_e2e_click_twips $((8515 + 517)) $((165 + 247))
gone() { [ "$(qvx_e2e_count)" = 0 ]; }
qvx_e2e_wait 20 gone || qvx_e2e_fail "the exit image did not end the program"
ramp_is "$identity" || qvx_e2e_fail "the identity ramp is not back after the exit image"
xdotool mousemove 900 756  # the notification area drops icons of ended programs on sight
no_icon() { [ "$(qvx_e2e_tray_pixels)" -lt 10 ]; }
qvx_e2e_wait 5 no_icon || qvx_e2e_fail "the tray icon stayed after the exit image"
[ "$(qvx_e2e_reg SetHuYanValue)" = 33 ] || qvx_e2e_fail "the exit changed the stored strength"
echo "exit image: program ended, identity ramp, no tray icon, strength 33 kept"

# Switches stored off stay off; auto-start off removes the Run value at start.
[ -n "$(qvx_e2e_run_value)" ] || qvx_e2e_fail "no Run value before the restart"
qvx_e2e_set PLTX 0
qvx_e2e_set KJQD 0
qvx_e2e_start
no_run() { [ -z "$(qvx_e2e_run_value)" ]; }
qvx_e2e_wait 20 no_run || qvx_e2e_fail "auto-start stored off, yet the Run value stays"
[ "$(qvx_e2e_reg PLTX)" = 0 ] && [ "$(qvx_e2e_reg KJQD)" = 0 ] && [ "$(qvx_e2e_reg ZNHY)" = 0 ] ||
    qvx_e2e_fail "stored switches changed on start"
qvx_e2e_wait 30 ramp_is "$expected" || qvx_e2e_fail "no ramp of position 33 after the restart"
sleep 1
qvx_e2e_shot quorvex-main-switches-off.png
echo "restart: switches stored as 0 stay off, the Run value is gone"

# Closing the window as the system does: unload and terminate handlers.
wine "$QVX_E2E_TOOLS/qvx_window_probe.exe" close QuorvexMainForm </dev/null >/dev/null 2>&1 ||
    qvx_e2e_fail "no window to close"
qvx_e2e_wait 20 gone || qvx_e2e_fail "closing the window did not end the program"
ramp_is "$identity" || qvx_e2e_fail "the identity ramp is not back after closing the window"
echo "WM_CLOSE: program ended, identity ramp"
echo "PASS $QVX_E2E_NAME"
