#!/usr/bin/env bash
# A display that refuses every gamma ramp (Xvfb has no gamma support): after a few seconds of
# refused loads the main window shows the notice line in the tint panel and the tray icon shows
# a balloon, no modal box; the program goes on retrying and ends as usual.
QVX_E2E_NAME=quorvex_gamma_notice
source "$(dirname "$0")/quorvex_e2e.sh"

qvx_e2e_up xvfb
qvx_e2e_ramp >/dev/null && qvx_e2e_fail "this X server has gamma ramps; the scenario needs one without"
qvx_e2e_set ZNHY 0
qvx_e2e_set SetHuYanValue 33
qvx_e2e_start

shown() { [ "$(qvx_e2e_notice_pixels)" -gt 100 ]; }
qvx_e2e_wait 15 shown || qvx_e2e_fail "no notice line after refused loads ($(qvx_e2e_notice_pixels) px)"
sleep 1
qvx_e2e_shot quorvex-gamma-refused-notice.png
echo "refused ramps: the notice line shows ($(qvx_e2e_notice_pixels) red pixels)"

# The balloon: a white box over the notification area at the bottom right of the virtual
# desktop (blue there otherwise); a modal box would be a dialog window.
balloon_pixels() {
    import -window root png:- 2>/dev/null | convert - -crop 384x90+640+650 +repage txt:- |
        sed -nE 's/^[0-9]+,[0-9]+: *\(([0-9.]+),([0-9.]+),([0-9.]+).*/\1 \2 \3/p' |
        awk '$1 > 235 && $2 > 235 && $3 > 235 { n++ } END { print n + 0 }'
}
balloon() { [ "$(balloon_pixels)" -gt 5000 ]; }
qvx_e2e_wait 5 balloon || qvx_e2e_fail "no balloon at the tray ($(balloon_pixels) px)"
echo "the tray icon shows the balloon ($(balloon_pixels) white pixels)"
dialogs=$(wine "$QVX_E2E_TOOLS/qvx_window_probe.exe" rect '#32770' </dev/null 2>/dev/null | tr -d '\r')
[ -z "$dialogs" ] || qvx_e2e_fail "a dialog box is open: $dialogs"
sleep 3
[ "$(qvx_e2e_count)" = 1 ] || qvx_e2e_fail "the program ended"
shown || qvx_e2e_fail "the notice line went while the loads are still refused"

# The exit image (TuiChuImage: 8515, 165, 1035 x 495 twips) ends it as usual.
qvx_e2e_click_twips $((8515 + 517)) $((165 + 247))
gone() { [ "$(qvx_e2e_count)" = 0 ]; }
qvx_e2e_wait 20 gone || qvx_e2e_fail "the exit image did not end the program"
echo "PASS $QVX_E2E_NAME"
