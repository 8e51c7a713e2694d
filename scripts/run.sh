#!/usr/bin/env bash
# The main job: builds both programs and their setup, installs Quorvex with the setup (silently,
# as a user's machine would get it), publishes a signed demo update folder, and starts the
# installed quorvex.exe under Wine.
# On a working $DISPLAY it runs there until you exit it. With no display it runs on a private X
# server where gamma ramps really load (Xorg with the dummy driver; Xvfb, which refuses ramps,
# only when Xorg cannot start), prints the ramp it reads back and whether it is the ramp of the
# strength the slider shows, saves a screenshot to build/run/screenshots/ and beside it the
# screen as the eye sees it (the screenshot passed through that ramp), and stops.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$QVX_ROOT/scripts/wine_env.sh"
cd "$QVX_ROOT"

qvx_install_deps
qvx_step "build (Windows tree): quorvex.exe, qvxUpgraded.exe, quorvex-setup.exe"
qvx_build windows build/windows quorvex qvxUpgraded quorvex-setup qvx_gamma_probe qvx_window_probe
qvx_step "build (native release): quorvex-stats"
qvx_build native-release build/native-release quorvex-stats >/dev/null

run_dir=$QVX_ROOT/build/run
shots=$run_dir/screenshots
mkdir -p "$shots"
# The demo update folder, published and signed with the build's development key as a publisher
# would; the installed updater's settings name it as their one server, so qvxUpgraded.exe can be
# tried against it.
demo_settings() {  # <installed or published program version>
    printf '[SetOpt]\r\nupdexe=1\r\nupddic=1\r\n'
    printf '[Info]\r\nInfoStr=Quorvex_Soft_qvxUpgraded\r\nSerNum=1\r\nExeVerM=%s\r\nExeVerZ=1\r\nFileNum=3\r\n' "$1"
    printf '[Server]\r\nSer1=Local demo\r\nSerHost1=127.0.0.1\r\nSerUrl1=http://127.0.0.1:8091/update\r\n'
    printf '[FileList]\r\nFile1=quorvex.exe\r\nFile2=qvxUpgraded.exe\r\nFile3=qvxUpgraded.ini\r\n'
}
stage=$run_dir/stage
rm -rf "$stage" "$run_dir/www"
mkdir -p "$stage"
cp build/windows/app/quorvex.exe build/windows/updater/qvxUpgraded.exe "$stage/"
demo_settings 15 >"$stage/qvxUpgraded.ini"
(cd "$stage" && "$QVX_ROOT/build/native-release/server/quorvex-stats" publish \
    --key "$QVX_ROOT/build/windows/update-key/private.pem" --program-version 15 \
    --entries-version 1 --out "$run_dir/www/update" quorvex.exe qvxUpgraded.exe qvxUpgraded.ini)

qvx_wine_env "$run_dir"

# Installs (or updates) Quorvex with its setup, silently, and points the installed updater at the
# demo folder. The setup ends a copy that is running in its orderly way first.
qvx_install() {
    qvx_step "quorvex-setup.exe /S"
    wine "$(winepath -w build/windows/installer/quorvex-setup.exe)" /S </dev/null >/dev/null 2>&1
    local local_app_data
    local_app_data=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -path '*/AppData/Local' -print -quit)
    install_dir=$local_app_data/Programs/Quorvex
    [ -f "$install_dir/quorvex.exe" ] || { echo "the setup installed nothing" >&2; exit 1; }
    demo_settings 15 >"$install_dir/qvxUpgraded.ini"
    qvx_step "installed in $(winepath -w "$install_dir")"
}

# The statistics service on loopback, for the first tick's version check and usage report.
stats_pid=
qvx_stats_stop() {
    if [ -n "$stats_pid" ]; then
        kill "$stats_pid" 2>/dev/null || true
        wait "$stats_pid" 2>/dev/null || true
        stats_pid=
    fi
}
qvx_stats_start() {
    trap 'qvx_stats_stop; qvx_wine_cleanup' EXIT
    build/native-release/server/quorvex-stats --bind 127.0.0.1 --port 8091 \
        --db "$run_dir/quorvex-stats.db" --newest-version 1.5 --update-dir "$run_dir/www" \
        2>>"$run_dir/quorvex-stats.log" &
    stats_pid=$!
    qvx_step "quorvex-stats on 127.0.0.1:8091 (pid $stats_pid, log $run_dir/quorvex-stats.log)"
    # quorvex reads its statistics host from the registry.
    wine reg add 'HKCU\Software\quorvex' /v StatsHost /d 127.0.0.1 /f </dev/null >/dev/null 2>&1
}
if qvx_display_works; then
    qvx_wine_up
    qvx_install
    qvx_stats_start
    qvx_step "quorvex.exe on $DISPLAY (exit it from its window or tray icon)"
    (cd "$install_dir" && wine ./quorvex.exe </dev/null)
else
    if qvx_x_start xorg 2>"$run_dir/xorg.err"; then
        display_kind=xorg
    else
        # Without gamma the tint cannot be seen: say so, and why.
        echo "Xorg (dummy driver) did not start: $(tail -3 "$run_dir/xorg.err" | tr '\n' ' ')" >&2
        echo "falling back to Xvfb, which refuses gamma ramps: the tint will not load" >&2
        qvx_x_start xvfb
        display_kind=xvfb
    fi
    qvx_wine_up
    qvx_install
    qvx_stats_start
    qvx_step "quorvex.exe on a private display $DISPLAY ($display_kind)"
    (cd "$install_dir" && wine ./quorvex.exe </dev/null >/dev/null 2>&1 &)
    # Wait until the window (centred) covers the middle of the desktop, then a few ticks.
    for _ in $(seq 1 60); do
        centre=$(import -window root png:- 2>/dev/null | convert - -format '%[hex:p{512,384}]' info: 2>/dev/null)
        [ -n "$centre" ] && [ "${centre:0:6}" != 256F95 ] && break
        sleep 0.5
    done
    sleep 4
    import -window root "$shots/quorvex-main.png"
    qvx_step "screenshot: $shots/quorvex-main.png"
    tools=build/windows/tests/e2e/tools
    ramp=$(wine "$tools/qvx_gamma_probe.exe" </dev/null 2>/dev/null | tr -d '\r')
    shown=$(wine "$tools/qvx_window_probe.exe" slider QuorvexMainForm </dev/null 2>/dev/null | tr -d '\r')
    if [ -z "$ramp" ]; then
        qvx_step "the display gives no gamma ramp back ($display_kind)"
    else
        # shellcheck disable=SC2086
        loaded=$(python3 scripts/ramp_view.py match $ramp)
        read -r -a words <<<"$ramp"
        qvx_step "ramp read back from the display: red ${words[0]}..${words[255]}," \
            "green ${words[256]}..${words[511]}, blue ${words[512]}..${words[767]}"
        if [ "$loaded" = "${shown:-?}" ]; then
            qvx_step "it is the ramp of strength $loaded, the strength the slider shows"
        else
            qvx_step "it is the ramp of strength $loaded; the slider shows ${shown:-nothing}"
        fi
        # shellcheck disable=SC2086
        python3 scripts/ramp_view.py lut "$run_dir/ramp.ppm" $ramp
        convert "$shots/quorvex-main.png" "$run_dir/ramp.ppm" -clut "$shots/quorvex-main-as-seen.png"
        qvx_step "the screen as the eye sees it (screenshot through the ramp): $shots/quorvex-main-as-seen.png"
    fi
fi
qvx_stats_stop
