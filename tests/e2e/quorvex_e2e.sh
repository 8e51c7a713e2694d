# Shared steps of the quorvex.exe scenarios (tests/e2e/quorvex_*_test.sh). Source it after
# setting QVX_E2E_NAME; it sources the project scripts itself.
#
#   qvx_e2e_up [xvfb|xorg]   builds what is missing, starts a private X server and the Wine
#                            server on the scenarios' prefix (made once per run folder; named
#                            by QVX_E2E_PREFIX, default "quorvex", so two lanes can run), with
#                            no quorvex state left from an earlier scenario, and installs
#                            quorvex.exe + quorvex.ico into C:\Quorvex
#   qvx_e2e_start            starts quorvex.exe from its folder and waits for its window
#   qvx_e2e_wait <secs> <cmd...>   polls a condition once a second, bounded
#   qvx_e2e_reg <name>       a value of HKCU\Software\quorvex ("" when missing)
#   qvx_e2e_run_value        the quorvex value of the user's Run key
#   qvx_e2e_pids / _count    running quorvex.exe processes of this prefix
#   qvx_e2e_window [class]   "left top right bottom visible" of the main window's client area
#                            (or of the window of that class)
#   qvx_e2e_click_twips <x> <y> [class]  clicks a point of the main window's layout (twips)
#   qvx_e2e_click_at <x> <y>       clicks the screen
#   qvx_e2e_ramp [device]    the screen's (or one display device's) gamma ramp: 768 words
#   qvx_e2e_displays         the display devices attached to Wine's desktop, one a line
#   qvx_e2e_notice_pixels    light red pixels of the main window's notice line (a display
#                            refusing the tint); none while the tint loads
#   qvx_e2e_shot <file>      screenshot into build/e2e/screenshots/
#   qvx_e2e_fail <text>      prints and exits 1
# Everything started here ends with the EXIT trap (Wine server by prefix, X server by PID).

set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
source "$QVX_ROOT/scripts/wine_env.sh"
cd "$QVX_ROOT"

QVX_WIN_BUILD=${QVX_WIN_BUILD:-$QVX_ROOT/build/windows}
QVX_E2E_ROOT=$QVX_ROOT/build/e2e
QVX_E2E_SHOTS=$QVX_E2E_ROOT/screenshots
QVX_E2E_TOOLS=$QVX_WIN_BUILD/tests/e2e/tools
QVX_E2E_LOG=$QVX_E2E_ROOT/${QVX_E2E_NAME:-scenario}.log
mkdir -p "$QVX_E2E_SHOTS"

qvx_e2e_fail() {
    echo "FAIL ($QVX_E2E_NAME): $*" >&2
    exit 1
}

qvx_e2e_wait() { qvx_wait "$@"; }

qvx_e2e_up() {
    local kind=${1:-xvfb}
    qvx_build windows "$QVX_WIN_BUILD" quorvex qvx_gamma_probe qvx_memory_probe qvx_window_probe \
        qvx_reminder_demo qvx_cover_window >/dev/null || qvx_e2e_fail "build of quorvex.exe and the helpers"
    # One prefix for the quorvex scenarios of this run folder: the program keeps all its state
    # in the registry and its install folder, both reset below.
    qvx_wine_env "$QVX_E2E_ROOT/${QVX_E2E_PREFIX:-quorvex}"
    qvx_x_start "$kind" || qvx_e2e_fail "X server ($kind)"
    trap qvx_wine_cleanup EXIT
    if [ -f "$WINEPREFIX/system.reg" ]; then
        wineserver -p
        # No copy may start from the Run key when the services come up.
        wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v quorvex /f \
            </dev/null >/dev/null 2>&1
        wine reg delete 'HKCU\Software\quorvex' /f </dev/null >/dev/null 2>&1
        # The virtual desktop and 96 dpi, even after a scenario that changed them was cut short.
        qvx_e2e_virtual_desktop on
        wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1
        wineboot </dev/null >/dev/null 2>&1
    else
        qvx_wine_up
    fi
    QVX_E2E_INSTALL=$WINEPREFIX/drive_c/Quorvex
    rm -rf "$QVX_E2E_INSTALL"
    mkdir -p "$QVX_E2E_INSTALL"
    cp "$QVX_WIN_BUILD/app/quorvex.exe" "$QVX_WIN_BUILD/app/quorvex.ico" "$QVX_E2E_INSTALL/"
    # The statistics service of these runs: a loopback address where nothing answers, and that
    # no scenario running beside them takes (the updater's cycle serves 127.0.0.1:8091, the
    # statistics stub a free one of 127.0.0.2-249).
    qvx_e2e_set StatsHost 127.0.0.253
}

# Wine's virtual desktop (one display, the tray at the bottom right) on or off; takes effect
# when the Wine server starts again.
qvx_e2e_virtual_desktop() {
    if [ "$1" = on ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f \
            </dev/null >/dev/null 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f </dev/null >/dev/null 2>&1
    fi
}

qvx_e2e_set() {
    wine reg add 'HKCU\Software\quorvex' /v "$1" /t REG_SZ /d "$2" /f </dev/null >/dev/null 2>&1
}

qvx_e2e_reg() {
    wine reg query 'HKCU\Software\quorvex' /v "$1" </dev/null 2>/dev/null | tr -d '\r' |
        awk -v n="$1" '$1 == n && $2 == "REG_SZ" { sub(/^[^R]*REG_SZ[ \t]+/, ""); print; exit }'
}

qvx_e2e_run_value() {
    wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v quorvex </dev/null \
        2>/dev/null | tr -d '\r' | awk '$1 == "quorvex" { sub(/^[^R]*REG_SZ[ \t]+/, ""); print; exit }'
}

# quorvex.exe processes of this prefix (other runs on the machine have prefixes of their own).
qvx_e2e_pids() {
    local pid
    for pid in $(pgrep -if '(^|[\\/])quorvex\.exe$'); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
}

qvx_e2e_count() {
    qvx_e2e_pids | wc -l
}

qvx_e2e_window() {
    wine "$QVX_E2E_TOOLS/qvx_window_probe.exe" rect "${1:-QuorvexMainForm}" </dev/null 2>/dev/null |
        tr -d '\r'
}

qvx_e2e_window_shown() {
    local w
    w=$(qvx_e2e_window "$@") && [ "${w##* }" = 1 ]
}

qvx_e2e_start() {
    (cd "$QVX_E2E_INSTALL" && exec wine ./quorvex.exe </dev/null >>"$QVX_E2E_LOG" 2>&1 &)
    qvx_e2e_wait 40 qvx_e2e_window_shown || qvx_e2e_fail "the main window did not show"
}

# Twips of the form layout to screen pixels (96 dpi under Wine here: 15 twips a pixel).
qvx_e2e_click_twips() {
    local w left top
    w=$(qvx_e2e_window "${3:-QuorvexMainForm}") || qvx_e2e_fail "no window ${3:-} to click"
    read -r left top _ <<<"$w"
    qvx_e2e_click_at $((left + $1 / 15)) $((top + $2 / 15))
}

# Wine takes a button press where the pointer was last seen moving: move, settle, then press.
qvx_e2e_click_at() {
    xdotool mousemove "$1" "$2"
    sleep 0.3
    xdotool mousedown 1
    sleep 0.1
    xdotool mouseup 1
}

qvx_e2e_ramp() {
    wine "$QVX_E2E_TOOLS/qvx_gamma_probe.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'
}

qvx_e2e_displays() {
    wine "$QVX_E2E_TOOLS/qvx_gamma_probe.exe" list </dev/null 2>/dev/null | tr -d '\r'
}

# The ramp the program loads for a slider position, as 768 words (half-even rounding).
qvx_e2e_expected_ramp() {
    python3 "$QVX_ROOT/scripts/ramp_view.py" expected "$1"
}

# The dummy driver keeps 8 bits a level: compare the high bytes.
qvx_e2e_high_bytes() {
    tr ' ' '\n' | awk 'NF { printf "%d ", int($1 / 256) } END { print "" }'
}

# The notice line is light red text in the title row of the tint panel (1650, 975, 5600 x 285
# twips), where nothing else is red.
qvx_e2e_notice_pixels() {
    local left top
    read -r left top _ <<<"$(qvx_e2e_window)"
    import -window root png:- 2>/dev/null |
        convert - -crop "373x19+$((left + 110))+$((top + 65))" +repage txt:- |
        sed -nE 's/^[0-9]+,[0-9]+: *\(([0-9.]+),([0-9.]+),([0-9.]+).*/\1 \2 \3/p' |
        awk '$1 > 180 && $2 < 120 && $3 < 120 && $1 - $2 > 80 { n++ } END { print n + 0 }'
}

qvx_e2e_shot() {
    import -window root "$QVX_E2E_SHOTS/$1" && echo "screenshot: $QVX_E2E_SHOTS/$1"
}

# The quorvex tray icon (its warm orange tile) in the notification area at the bottom right:
# prints "<orange pixels> <mean x>" of the strip 864..1023 x 744..767 of the screen.
qvx_e2e_tray_scan() {
    import -window root png:- 2>/dev/null | convert - -crop 160x24+864+744 +repage txt:- |
        sed -nE 's/^([0-9]+),([0-9]+): *\(([0-9.]+),([0-9.]+),([0-9.]+).*/\1 \2 \3 \4 \5/p' |
        awk '$3 > 220 && $4 > 100 && $4 < 200 && $5 < 90 { n++; sx += $1 }
             END { printf "%d %d\n", n, n ? 864 + sx / n : 0 }'
}

qvx_e2e_tray_pixels() {
    local s
    s=$(qvx_e2e_tray_scan)
    echo "${s% *}"
}

qvx_e2e_tray_icon_x() {
    local s
    s=$(qvx_e2e_tray_scan)
    [ "${s% *}" -gt 20 ] && echo "${s#* }"
}
