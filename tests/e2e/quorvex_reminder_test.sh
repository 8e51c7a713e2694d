#!/usr/bin/env bash
# The rest reminder pop-up of the real window classes, through the reminder demo (the same
# MainForm and windows as quorvex.exe, with 45 minutes of active ticks run at start):
#   - after 2,700 active ticks the pop-up is shown, topmost over the main window;
#   - its "不再提醒" image switches the reminder off (stored "0") and hides the pop-up, while
#     the main window stays.
QVX_E2E_NAME=quorvex_reminder
source "$(dirname "$0")/quorvex_e2e.sh"

qvx_e2e_up xvfb
cp "$QVX_E2E_TOOLS/qvx_reminder_demo.exe" "$QVX_E2E_INSTALL/"
(cd "$QVX_E2E_INSTALL" && exec wine ./qvx_reminder_demo.exe </dev/null >>"$QVX_E2E_LOG" 2>&1 &)
qvx_e2e_wait 60 qvx_e2e_window_shown QuorvexMsgForm || qvx_e2e_fail "no reminder pop-up"
qvx_e2e_window_shown || qvx_e2e_fail "no main window under the pop-up"
[ "$(qvx_e2e_reg PLTX)" = 1 ] || qvx_e2e_fail "reminder not on before the click"
sleep 1
qvx_e2e_shot quorvex-reminder.png

# Image2 (不再提醒): 3700, 5400, 2220 x 795 twips of the pop-up.
qvx_e2e_click_twips $((3700 + 1110)) $((5400 + 397)) QuorvexMsgForm
hidden() { w=$(qvx_e2e_window QuorvexMsgForm) && [ "${w##* }" = 0 ]; }
qvx_e2e_wait 10 hidden || qvx_e2e_fail "the pop-up stayed after 不再提醒"
off() { [ "$(qvx_e2e_reg PLTX)" = 0 ]; }
qvx_e2e_wait 10 off || qvx_e2e_fail "不再提醒 did not store the reminder off"
qvx_e2e_window_shown || qvx_e2e_fail "the main window went with the pop-up"
sleep 1
qvx_e2e_shot quorvex-reminder-switched-off.png
echo "pop-up shown after 45 active minutes; 不再提醒 stored PLTX=0 and hid it"
echo "PASS $QVX_E2E_NAME"
