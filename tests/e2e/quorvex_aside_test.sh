#!/usr/bin/env bash
# Stepping aside on a display that loads gamma ramps (Xorg, dummy driver), smart mode off, 33:
#   - with FullScreenPause on, a borderless window the size of the screen in front makes the
#     ramp read back the identity; closing it brings 33 back;
#   - a program named in ExcludedPrograms (in another case) in front does the same, full-screen
#     or not;
#   - Alt+PageUp, pressed while another program's window has the focus, moves 33 to 41;
#   - Alt+End pauses: identity, PauseUntil stored, and a restarted quorvex.exe stays paused;
#   - screenshots of the paused main window and of the settings window.
QVX_E2E_NAME=quorvex_aside
source "$(dirname "$0")/quorvex_e2e.sh"

qvx_e2e_up xorg
qvx_e2e_set ZNHY 0
qvx_e2e_set SetHuYanValue 33
qvx_e2e_set FullScreenPause 1
qvx_e2e_set ExcludedPrograms 'photoshop.exe|QVX_CHOSEN.EXE'
cp "$QVX_E2E_TOOLS/qvx_cover_window.exe" "$QVX_E2E_INSTALL/"
cp "$QVX_E2E_TOOLS/qvx_cover_window.exe" "$QVX_E2E_INSTALL/qvx_chosen.exe"
qvx_e2e_start
ramp_of() { [ "$(qvx_e2e_ramp | qvx_e2e_high_bytes)" = "$(qvx_e2e_expected_ramp "$1" | qvx_e2e_high_bytes)" ]; }
qvx_e2e_wait 30 ramp_of 33 || qvx_e2e_fail "start at 33"

cover() {
    (cd "$QVX_E2E_INSTALL" && exec wine "./$1" "$2" </dev/null >>"$QVX_E2E_LOG" 2>&1 &)
    qvx_e2e_wait 20 qvx_e2e_window_shown QvxCoverWindow || qvx_e2e_fail "$1 $2 did not show"
}
uncover() {
    wine "$QVX_E2E_TOOLS/qvx_window_probe.exe" close QvxCoverWindow </dev/null >/dev/null 2>&1
    gone() { ! qvx_e2e_window QvxCoverWindow >/dev/null; }
    qvx_e2e_wait 10 gone || qvx_e2e_fail "the window in front did not close"
}
# Within 1 s of the change, give or take the probe's own start under Wine.
stepped_aside() { qvx_e2e_wait 4 ramp_of 0 || qvx_e2e_fail "$1: the tint did not step aside"; }
tinted() { qvx_e2e_wait 4 ramp_of "$2" || qvx_e2e_fail "$1: the tint of $2 did not come back"; }

cover qvx_cover_window.exe full
stepped_aside "full-screen window"
echo "full-screen window in front: identity ramp"
uncover
tinted "full-screen window closed" 33
echo "closed: 33 again"

cover qvx_chosen.exe window
stepped_aside "chosen program"
echo "a chosen program's ordinary window in front: identity ramp"
uncover
tinted "chosen program closed" 33

# Another program's window has the focus; the hotkey still reaches quorvex (Wine sees a key only
# through one of its windows that X has focused).
cover qvx_cover_window.exe window
xdotool search --name '^cover$' windowfocus >/dev/null 2>&1 ||
    xdotool search --name 'Wine desktop' windowfocus >/dev/null 2>&1
sleep 0.5
xdotool key alt+Prior
stored41() { [ "$(qvx_e2e_reg SetHuYanValue)" = 41 ] && ramp_of 41; }
qvx_e2e_wait 5 stored41 || qvx_e2e_fail "Alt+PageUp: stored $(qvx_e2e_reg SetHuYanValue)"
echo "Alt+PageUp with another program in front: 33 -> 41"
xdotool key alt+End
paused() { [ -n "$(qvx_e2e_reg PauseUntil)" ] && ramp_of 0; }
qvx_e2e_wait 5 paused || qvx_e2e_fail "Alt+End did not pause"
echo "Alt+End: paused until $(qvx_e2e_reg PauseUntil) UTC"
uncover

# A restarted program stays paused.
for pid in $(qvx_e2e_pids); do kill "$pid"; done
qvx_e2e_wait 10 test "$(qvx_e2e_count)" -eq 0 || qvx_e2e_fail "quorvex.exe did not end"
qvx_e2e_start
sleep 3
ramp_of 0 || qvx_e2e_fail "the restarted program is not paused"
[ -n "$(qvx_e2e_reg PauseUntil)" ] || qvx_e2e_fail "PauseUntil gone after the restart"
echo "restarted: still paused"
qvx_e2e_shot quorvex-main-paused.png

# The settings window from the "设置" pill (7350, 165, 1035 x 495 twips).
qvx_e2e_click_twips $((7350 + 517)) $((165 + 247))
qvx_e2e_wait 10 qvx_e2e_window_shown QuorvexSettings || qvx_e2e_fail "no settings window"
sleep 1
qvx_e2e_shot quorvex-settings.png
# Its "恢复" (320, 96, 96 x 36 px) ends the pause.
qvx_e2e_click_twips $(((320 + 48) * 15)) $(((96 + 18) * 15)) QuorvexSettings
resumed() { [ -z "$(qvx_e2e_reg PauseUntil)" ] && ramp_of 41; }
qvx_e2e_wait 5 resumed || qvx_e2e_fail "恢复 did not end the pause"
echo "settings window: 恢复 ended the pause"
echo "PASS $QVX_E2E_NAME"
