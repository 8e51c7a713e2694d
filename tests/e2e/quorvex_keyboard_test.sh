#!/usr/bin/env bash
# The main window from the keyboard alone, on a display that loads gamma ramps (Xorg, dummy
# driver), smart mode off, 33:
#   - opened, the focus is on the slider: End moves it to 50 (ramp of 50 read back, stored);
#   - Tab goes to the first preset and Space presses it: "0", the identity ramp;
#   - seven more Tabs reach the first switch; screenshots with the ring on the preset and on
#     the switch;
#   - Esc hides the window.
QVX_E2E_NAME=quorvex_keyboard
source "$(dirname "$0")/quorvex_e2e.sh"

qvx_e2e_up xorg
qvx_e2e_set ZNHY 0
qvx_e2e_set SetHuYanValue 33
qvx_e2e_start
ramp_of() { [ "$(qvx_e2e_ramp | qvx_e2e_high_bytes)" = "$(qvx_e2e_expected_ramp "$1" | qvx_e2e_high_bytes)" ]; }
committed() { [ "$(qvx_e2e_reg SetHuYanValue)" = "$1" ] && ramp_of "$1"; }
qvx_e2e_wait 30 ramp_of 33 || qvx_e2e_fail "start at 33"

# Wine sees keys only through one of its own windows that X has focused: the virtual desktop.
xdotool search --name 'Wine desktop' windowfocus >/dev/null 2>&1 ||
    qvx_e2e_fail "no Wine desktop window to focus"
sleep 0.5
xdotool key End
qvx_e2e_wait 10 committed 50 || qvx_e2e_fail "End: stored $(qvx_e2e_reg SetHuYanValue)"
echo "End on the slider: 50 loaded and stored"

xdotool key Tab
sleep 0.5
qvx_e2e_shot quorvex-focus-preset.png
xdotool key space
qvx_e2e_wait 10 ramp_of 0 || qvx_e2e_fail "Tab, Space: the identity ramp is not loaded"
echo "Tab then Space: preset 0, identity ramp"

for _ in 1 2 3 4 5 6 7; do xdotool key Tab; done
sleep 0.5
qvx_e2e_shot quorvex-focus-switch.png
[ "$(qvx_e2e_reg ZNHY)" = 0 ] || qvx_e2e_fail "Tab pressed a switch"

xdotool key Escape
hidden() { ! qvx_e2e_window_shown; }
qvx_e2e_wait 10 hidden || qvx_e2e_fail "Esc did not hide the window"
[ "$(qvx_e2e_count)" -eq 1 ] || qvx_e2e_fail "Esc ended the program"
echo "Esc: window hidden, program running"
echo "PASS $QVX_E2E_NAME"
