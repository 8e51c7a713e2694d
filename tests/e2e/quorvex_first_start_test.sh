#!/usr/bin/env bash
# First start on a clean registry, the tray icon, and a second start that ends the first copy:
#   - the first start writes the three switches as "1", today's date and the Run value with the
#     program's real path;
#   - the hide image hides the window, left-button clicks on the tray icon show and hide it;
#   - a second start leaves exactly one running copy, the new one, with its window shown and
#     one tray icon, the embedded one when quorvex.ico is missing.
QVX_E2E_NAME=quorvex_first_start
source "$(dirname "$0")/quorvex_e2e.sh"

qvx_e2e_up xvfb
[ -z "$(qvx_e2e_reg ZNHY)" ] || qvx_e2e_fail "the registry was not clean"

qvx_e2e_start
first_pids=$(qvx_e2e_pids)
[ "$(qvx_e2e_count)" = 1 ] || qvx_e2e_fail "$(qvx_e2e_count) copies run after the first start"
today=$(date +%F)
settled() {
    [ "$(qvx_e2e_reg ZNHY)" = 1 ] && [ "$(qvx_e2e_reg PLTX)" = 1 ] && [ "$(qvx_e2e_reg KJQD)" = 1 ] &&
        [ "$(qvx_e2e_reg SetNowDateVlaue)" = "$today" ]
}
qvx_e2e_wait 20 settled || qvx_e2e_fail "switches/date after the first start:" \
    "ZNHY=$(qvx_e2e_reg ZNHY) PLTX=$(qvx_e2e_reg PLTX) KJQD=$(qvx_e2e_reg KJQD) date=$(qvx_e2e_reg SetNowDateVlaue)"
run=$(qvx_e2e_run_value)
[ "$run" = 'C:\Quorvex\quorvex.exe' ] || qvx_e2e_fail "Run value is '$run'"
# Smart mode is on after a first start: the strength is not stored.
[ -z "$(qvx_e2e_reg SetHuYanValue)" ] || qvx_e2e_fail "a strength was stored while smart mode is on"
echo "first start wrote ZNHY/PLTX/KJQD=1, SetNowDateVlaue=$today, Run=$run"

sleep 2
qvx_e2e_shot quorvex-main-smart-on.png
tray=$(qvx_e2e_tray_pixels)
[ "$tray" -gt 20 ] || qvx_e2e_fail "no tray icon ($tray pixels)"

# The hide image (YinCangImage: 10005, 165, 1035 x 495 twips) hides the window and the tray
# icon brings it back; then tray clicks hide and show it in turn.
hidden() { w=$(qvx_e2e_window) && [ "${w##* }" = 0 ]; }
qvx_e2e_click_twips $((10005 + 517)) $((165 + 247))
qvx_e2e_wait 10 hidden || qvx_e2e_fail "the hide image did not hide the window"
[ "$(qvx_e2e_tray_pixels)" -gt 20 ] || qvx_e2e_fail "the tray icon went with the window"
icon=$(qvx_e2e_tray_icon_x) || qvx_e2e_fail "tray icon not found"
qvx_e2e_click_at "$icon" 757
qvx_e2e_wait 10 qvx_e2e_window_shown || qvx_e2e_fail "a tray click did not show the window"
qvx_e2e_click_at "$icon" 757
qvx_e2e_wait 10 hidden || qvx_e2e_fail "a tray click did not hide the window"
qvx_e2e_click_at "$icon" 757
qvx_e2e_wait 10 qvx_e2e_window_shown || qvx_e2e_fail "a third tray click did not show the window"
echo "hide image and tray clicks hide and show the window"

# A second start ends the first copy; one copy runs on, the new one. This copy finds no
# quorvex.ico beside it: its tray icon is the program's own embedded icon.
rm "$QVX_E2E_INSTALL/quorvex.ico"
qvx_e2e_start
one() { [ "$(qvx_e2e_count)" = 1 ] && [ "$(qvx_e2e_pids)" != "$first_pids" ]; }
qvx_e2e_wait 20 one || qvx_e2e_fail "$(qvx_e2e_count) copies run after a second start"
survivor=$(qvx_e2e_pids)
for pid in $first_pids; do
    [ "$pid" != "$survivor" ] || qvx_e2e_fail "the first copy survived the second start"
done
qvx_e2e_wait 10 qvx_e2e_window_shown || qvx_e2e_fail "the new copy shows no window"
# One tray icon: the ended copy's icon does not stay beside the new one.
one_icon() { [ "$(qvx_e2e_tray_pixels)" -le $((tray * 3 / 2)) ] && [ "$(qvx_e2e_tray_pixels)" -gt 20 ]; }
qvx_e2e_wait 10 one_icon || qvx_e2e_fail "tray pixels $(qvx_e2e_tray_pixels), one icon has $tray"
# ... and it is the new copy's: a click on it hides that copy's window.
icon=$(qvx_e2e_tray_icon_x) || qvx_e2e_fail "tray icon not found after the second start"
qvx_e2e_click_at "$icon" 757
qvx_e2e_wait 10 hidden || qvx_e2e_fail "the tray icon does not belong to the new copy"
echo "second start: one copy runs (pid $survivor), the first ($first_pids) ended"
echo "PASS $QVX_E2E_NAME"
