#!/usr/bin/env bash
# Every display, on an X server that loads gamma ramps (Xorg, dummy driver):
#   - the gamma adapter suite, where a refused ramp fails instead of skipping;
#   - two displays (the dummy driver's second output switched on, Wine without its virtual
#     desktop, so each output is a display device of its own): with a stored strength of 33
#     quorvex.exe loads that ramp and each display reads it back; the second display switched
#     off and on again while it runs; the exit image restores the identity ramp on both.
# Wine keeps one ramp per X screen, so both displays read back the same words whichever
# context loaded them; that each display gets its own load is checked by the native suites.
QVX_E2E_NAME=quorvex_displays
source "$(dirname "$0")/quorvex_e2e.sh"

qvx_e2e_up xorg
qvx_build windows "$QVX_WIN_BUILD" wine_tint >/dev/null || qvx_e2e_fail "build of wine_tint"
suite=$(QVX_GAMMA_MUST_LOAD=1 wine "$QVX_WIN_BUILD/tests/wine/wine_tint.exe" </dev/null 2>&1)
status=$?
echo "$suite" | tr -d '\r' >>"$QVX_E2E_LOG"
echo "$suite" | tr -d '\r' | grep -E '^\[  (PASSED|FAILED|SKIPPED) |^displays attached'
[ "$status" = 0 ] || qvx_e2e_fail "the gamma adapter suite on Xorg ended with $status"
echo "gamma adapter suite: every ramp loaded and read back on Xorg"

# Two displays: the second output on, and Wine's desktop on the X screen itself.
# A full query (xrandr with no options) makes the server probe its outputs again: until then
# clients that ask for the current layout, as Wine does, still see one output.
xrandr --addmode DUMMY1 1024x768 && xrandr --output DUMMY1 --mode 1024x768 --right-of DUMMY0 &&
    xrandr >/dev/null || qvx_e2e_fail "no second output on the dummy driver"
restore() {
    qvx_e2e_virtual_desktop on
    qvx_wine_cleanup
}
trap restore EXIT
qvx_e2e_virtual_desktop off
d1='\\.\DISPLAY1'
d2='\\.\DISPLAY2'
wineserver -k
wineserver -w
wineserver -p
wineboot </dev/null >/dev/null 2>&1
listed=$(qvx_e2e_displays | tr '\n' ' ')
[ "$listed" = "$d1 $d2 " ] || qvx_e2e_fail "Wine lists the displays '$listed'"
echo "two displays: $listed"

identity=$(qvx_e2e_expected_ramp 0 | qvx_e2e_high_bytes)
expected=$(qvx_e2e_expected_ramp 33 | qvx_e2e_high_bytes)
ramp_on() { [ "$(qvx_e2e_ramp "$1" | qvx_e2e_high_bytes)" = "$2" ]; }
both() { ramp_on "$d1" "$1" && ramp_on "$d2" "$1"; }
both "$identity" || qvx_e2e_fail "the displays do not start with the identity ramp"

qvx_e2e_set ZNHY 0
qvx_e2e_set SetHuYanValue 33
qvx_e2e_start
qvx_e2e_wait 30 both "$expected" || qvx_e2e_fail "the ramp of 33 is not on both displays"
echo "stored strength 33: both displays hold its ramp"
sleep 4
[ "$(qvx_e2e_notice_pixels)" -lt 20 ] || qvx_e2e_fail "a refusal notice while both displays load"

# The second display goes and comes back while the program runs.
xrandr --output DUMMY1 --off && xrandr >/dev/null || qvx_e2e_fail "second output off"
one() { [ "$(qvx_e2e_displays | wc -l)" = 1 ]; }
qvx_e2e_wait 10 one || qvx_e2e_fail "Wine still lists two displays"
sleep 2
[ "$(qvx_e2e_count)" = 1 ] || qvx_e2e_fail "the program ended when a display went"
qvx_e2e_wait 10 ramp_on "$d1" "$expected" || qvx_e2e_fail "display 1 lost the ramp"
xrandr --output DUMMY1 --mode 1024x768 --right-of DUMMY0 && xrandr >/dev/null ||
    qvx_e2e_fail "second output on"
two() { [ "$(qvx_e2e_displays | wc -l)" = 2 ]; }
qvx_e2e_wait 10 two || qvx_e2e_fail "Wine does not list the second display again"
qvx_e2e_wait 10 both "$expected" || qvx_e2e_fail "no ramp of 33 after the display came back"
[ "$(qvx_e2e_count)" = 1 ] || qvx_e2e_fail "the program ended when a display came back"
qvx_e2e_shot quorvex-two-displays.png
echo "second display off and on: the program runs on, both displays hold the ramp"

# The exit image (TuiChuImage: 8515, 165, 1035 x 495 twips).
qvx_e2e_click_twips $((8515 + 517)) $((165 + 247))
gone() { [ "$(qvx_e2e_count)" = 0 ]; }
qvx_e2e_wait 20 gone || qvx_e2e_fail "the exit image did not end the program"
both "$identity" || qvx_e2e_fail "the identity ramp is not back on both displays"
echo "exit image: identity ramp on both displays"
echo "PASS $QVX_E2E_NAME"
