#!/usr/bin/env bash
# Whole on a small screen at a high scale: at 150 % (LogPixels 144) on the 1024 x 768 desktop
# the main window (753 x 452 at 100 %, 1130 x 678 at 150 %) opens whole inside the work area,
# drawn at the largest scale that fits; the settings window too.
QVX_E2E_NAME=quorvex_scale
source "$(dirname "$0")/quorvex_e2e.sh"

qvx_e2e_up xvfb
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f </dev/null \
    >/dev/null 2>&1
qvx_e2e_set ZNHY 0
qvx_e2e_set SetHuYanValue 25
qvx_e2e_start
sleep 1
inside() {
    local what=$1 left top right bottom
    read -r left top right bottom _ <<<"$2"
    echo "$what: $left $top $right $bottom ($((right - left)) x $((bottom - top)))"
    [ "$left" -ge 0 ] && [ "$top" -ge 0 ] && [ "$right" -le 1024 ] && [ "$bottom" -le 768 ] ||
        qvx_e2e_fail "$what sticks out of the screen"
}
main=$(qvx_e2e_window) || qvx_e2e_fail "no main window"
inside "main window" "$main"
read -r left top right _ <<<"$main"
width=$((right - left))
# Larger than at 100 % (the display's scale is used as far as it fits), and no wider than the
# screen.
[ "$width" -gt 900 ] || qvx_e2e_fail "drawn at $width px wide: not scaled up"
qvx_e2e_shot quorvex-main-150-percent.png

# The settings pill (7350, 165, 1035 x 495 twips) at the window's own scale.
scale_x() { echo $((left + ($1 * width) / 11295)); }
qvx_e2e_click_at "$(scale_x $((7350 + 517)))" $((top + ((165 + 247) * width) / 11295))
qvx_e2e_wait 10 qvx_e2e_window_shown QuorvexSettings || qvx_e2e_fail "no settings window"
inside "settings window" "$(qvx_e2e_window QuorvexSettings)"
sleep 1
qvx_e2e_shot quorvex-settings-150-percent.png
echo "PASS $QVX_E2E_NAME"
