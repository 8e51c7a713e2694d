#!/usr/bin/env bash
# The slider and presets of the real window on a display that loads gamma ramps (Xorg, dummy
# driver), smart mode off so every committed position is stored:
#   - a preset image writes its position (ramp loaded, strength stored);
#   - a click on the track pages the slider, the arrow key steps it;
#   - while the thumb is dragged nothing is loaded or stored; releasing it commits the position.
QVX_E2E_NAME=quorvex_slider
source "$(dirname "$0")/quorvex_e2e.sh"

qvx_e2e_up xorg
qvx_e2e_set ZNHY 0
qvx_e2e_set SetHuYanValue 33
qvx_e2e_start
ramp_of() { [ "$(qvx_e2e_ramp | qvx_e2e_high_bytes)" = "$(qvx_e2e_expected_ramp "$1" | qvx_e2e_high_bytes)" ]; }
stored() { [ "$(qvx_e2e_reg SetHuYanValue)" = "$1" ]; }
committed() { stored "$1" && ramp_of "$1"; }
qvx_e2e_wait 30 committed 33 || qvx_e2e_fail "start at 33"

# Preset RGBImage05 (3550, 1830, 1035 x 1155 twips) writes 17.
qvx_e2e_click_twips $((3550 + 517)) $((1830 + 577))
qvx_e2e_wait 10 committed 17 || qvx_e2e_fail "preset 5: stored $(qvx_e2e_reg SetHuYanValue)"
echo "preset 5: 17 loaded and stored"

# The track right of the thumb: one page (5) up. The slider: 440, 1250, 10400 x 275 twips.
qvx_e2e_click_twips $((440 + 10400 - 150)) $((1250 + 137))
qvx_e2e_wait 10 committed 22 || qvx_e2e_fail "page: stored $(qvx_e2e_reg SetHuYanValue)"
xdotool key Right
qvx_e2e_wait 10 committed 23 || qvx_e2e_fail "arrow key: stored $(qvx_e2e_reg SetHuYanValue)"
echo "track click pages to 22, the arrow key steps to 23"

# Drag the thumb (its white knob on the slider's row) to the right and hold it there.
read -r left top _ <<<"$(qvx_e2e_window)"
row=$((top + (1250 + 137) / 15))
thumb=$(import -window root png:- | convert - -crop "760x1+$left+$row" +repage txt:- |
    sed -nE 's/^([0-9]+),0: *\(([0-9.]+),([0-9.]+),([0-9.]+).*/\1 \2 \3 \4/p' |
    awk '$2 >= 250 && $3 >= 250 && $4 >= 250 { n++; s += $1 } END { if (n) print int(s / n) }')
[ -n "$thumb" ] || qvx_e2e_fail "thumb not found on the slider"
x=$((left + thumb))
xdotool mousemove "$x" "$row"
sleep 0.3
xdotool mousedown 1
for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((x + step * 25)) "$row"
    sleep 0.2
done
sleep 2
stored 23 && ramp_of 23 || { xdotool mouseup 1; qvx_e2e_fail "something was applied while dragging"; }
xdotool mouseup 1
changed() { ! stored 23; }
qvx_e2e_wait 10 changed || qvx_e2e_fail "releasing the thumb committed nothing"
v=$(qvx_e2e_reg SetHuYanValue)
[ "$v" -gt 23 ] && [ "$v" -le 50 ] || qvx_e2e_fail "released at $v"
qvx_e2e_wait 10 ramp_of "$v" || qvx_e2e_fail "the ramp of $v is not loaded after the release"
qvx_e2e_shot quorvex-main-after-drag.png
echo "drag: nothing applied while held; release committed $v"
echo "PASS $QVX_E2E_NAME"
