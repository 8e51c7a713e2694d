#!/usr/bin/env bash
# quorvex-setup.exe under Wine on a fresh prefix, on the Xorg dummy server where gamma ramps load:
#   - silent install: files, Start-menu shortcut and every uninstall value; the installed
#     quorvex.exe runs and tints (ramp read back);
#   - silent install again over the running copy: it is closed in the orderly way and started
#     again, one copy, still tinting, settings kept;
#   - quiet uninstall: no process, identity ramp read back, no files, no Run value, no uninstall
#     entry, the user's settings still there;
#   - the interactive setup's pages (screenshots: Chinese texts must render), and its finish
#     page starting Quorvex.
QVX_E2E_NAME=installer
source "$(dirname "$0")/quorvex_e2e.sh"

SETUP=$QVX_WIN_BUILD/installer/quorvex-setup.exe
qvx_build windows "$QVX_WIN_BUILD" quorvex-setup qvx_gamma_probe qvx_window_probe >/dev/null ||
    qvx_e2e_fail "build of the setup and the helpers"
[ -f "$SETUP" ] || qvx_e2e_fail "no $SETUP"

# Each program and the setup carry the one version in their version resources.
version=$(sed -nE 's/^project\(quorvex VERSION ([0-9.]+).*/\1/p' "$QVX_ROOT/CMakeLists.txt")
for exe in "$QVX_WIN_BUILD/app/quorvex.exe" "$QVX_WIN_BUILD/updater/qvxUpgraded.exe" "$SETUP"; do
    python3 - "$exe" "$version" <<'PY' || qvx_e2e_fail "version resource of $exe"
import sys
data = open(sys.argv[1], "rb").read()
for key in ("FileVersion", "ProductVersion", "CompanyName", "FileDescription"):
    at = data.find(key.encode("utf-16-le") + b"\0\0")
    if at < 0:
        sys.exit(f"no {key}")
    if key.endswith("Version"):
        value = data[at:at + 80].split(b"\0\0\0")[1:3]
        if not any(v.replace(b"\0", b"").startswith(sys.argv[2].encode()) for v in value):
            sys.exit(f"{key} is not {sys.argv[2]}")
PY
done
echo "version $version in the resources of both programs and the setup"

# A fresh prefix of its own: nothing installed, no settings.
prefix_root=$QVX_E2E_ROOT/installer
rm -rf "$prefix_root"
qvx_wine_env "$prefix_root"
qvx_x_start xorg || qvx_e2e_fail "X server (xorg)"
qvx_wine_up
SHOTS=$QVX_E2E_SHOTS/installer
mkdir -p "$SHOTS"
rm -f "$SHOTS"/*.png
shot() { import -window root "$SHOTS/$1.png" && echo "screenshot: $SHOTS/$1.png"; }

local_app_data=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -path '*/AppData/Local' -print -quit)
[ -n "$local_app_data" ] || qvx_e2e_fail "no AppData\Local in the new prefix"
INSTALL=$local_app_data/Programs/Quorvex
UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvex'

reg_value() {  # <key> <value name>: the value's data, or nothing
    wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
        awk -v n="$2" '$1 == n { sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]*/, ""); print; exit }'
}
setup_silent() {  # <program> [arguments]: runs it and waits for every process it started
    (cd "$WINEPREFIX/drive_c" && wine "$@" </dev/null >>"$QVX_E2E_LOG" 2>&1)
    local _
    for _ in $(seq 1 100); do
        pgrep -f 'quorvex-setup\.exe|uninstall\.exe|Un_A\.exe|Au_\.exe' >/dev/null || return 0
        sleep 0.2
    done
    return 1
}
ramp_is() { [ "$(qvx_e2e_ramp | qvx_e2e_high_bytes)" = "$(qvx_e2e_expected_ramp "$1" | qvx_e2e_high_bytes)" ]; }
one_copy() { [ "$(qvx_e2e_count)" = 1 ]; }
no_copy() { [ "$(qvx_e2e_count)" = 0 ]; }

# ---- silent install ---------------------------------------------------------------------------
# The user's choice from an earlier install: a stored strength, smart mode off.
qvx_e2e_set ZNHY 0
qvx_e2e_set SetHuYanValue 33
qvx_e2e_set StatsHost 127.0.0.1
setup_silent "$(winepath -w "$SETUP")" /S || qvx_e2e_fail "silent setup did not end"
for f in quorvex.exe qvxUpgraded.exe quorvex.ico qvxUpgraded.ini uninstall.exe; do
    [ -f "$INSTALL/$f" ] || qvx_e2e_fail "installed folder lacks $f: $(ls "$INSTALL" 2>&1)"
done
cmp -s "$QVX_WIN_BUILD/app/quorvex.exe" "$INSTALL/quorvex.exe" || qvx_e2e_fail "quorvex.exe differs"
grep -q '^InfoStr=Quorvex_Soft_qvxUpgraded' "$INSTALL/qvxUpgraded.ini" ||
    qvx_e2e_fail "default updater settings missing"
find "$WINEPREFIX/drive_c/users" -path '*Start Menu/Programs/Quorvex.lnk' | grep -q . ||
    qvx_e2e_fail "no Start-menu shortcut"
for v in DisplayName DisplayVersion Publisher DisplayIcon InstallLocation UninstallString \
    QuietUninstallString EstimatedSize NoModify NoRepair; do
    [ -n "$(reg_value "$UNINSTALL_KEY" "$v")" ] || qvx_e2e_fail "uninstall entry lacks $v"
done
[ "$(reg_value "$UNINSTALL_KEY" DisplayName)" = Quorvex ] || qvx_e2e_fail "DisplayName"
case "$(reg_value "$UNINSTALL_KEY" QuietUninstallString)" in
*'uninstall.exe" /S') ;;
*) qvx_e2e_fail "QuietUninstallString: $(reg_value "$UNINSTALL_KEY" QuietUninstallString)" ;;
esac
no_copy || qvx_e2e_fail "the silent setup started Quorvex"
echo "silent install: files, shortcut and uninstall entry in place; nothing started"

# The installed program, started as the shortcut would.
(cd "$INSTALL" && exec wine ./quorvex.exe </dev/null >>"$QVX_E2E_LOG" 2>&1 &)
qvx_e2e_wait 40 qvx_e2e_window_shown || qvx_e2e_fail "the installed program shows no window"
qvx_e2e_wait 20 ramp_is 33 || qvx_e2e_fail "the installed program does not tint"
shot 4-installed-running
echo "installed quorvex.exe runs and loads the ramp of 33"

# ---- install again over the running copy ------------------------------------------------------
qvx_e2e_set SetHuYanValue 33
before_pid=$(qvx_e2e_pids)
setup_silent "$(winepath -w "$SETUP")" /S || qvx_e2e_fail "second silent setup did not end"
qvx_e2e_wait 40 one_copy || qvx_e2e_fail "not one copy after installing over it: $(qvx_e2e_count)"
[ "$(qvx_e2e_pids)" != "$before_pid" ] || qvx_e2e_fail "the running copy was not replaced"
qvx_e2e_wait 20 ramp_is 33 || qvx_e2e_fail "not tinting after installing over the running copy"
[ "$(qvx_e2e_reg SetHuYanValue)" = 33 ] || qvx_e2e_fail "settings not kept"
shot 5-reinstalled-running
echo "install over the running copy: closed in order, started again, one copy, still tinting"

# ---- quiet uninstall --------------------------------------------------------------------------
quiet=$(reg_value "$UNINSTALL_KEY" QuietUninstallString)
uninstaller=$(sed -E 's/^"([^"]+)".*/\1/' <<<"$quiet")
setup_silent "$uninstaller" /S || qvx_e2e_fail "quiet uninstall did not end"
gone() { [ ! -e "$INSTALL" ]; }
qvx_e2e_wait 20 gone || qvx_e2e_fail "install folder left: $(ls -A "$INSTALL")"
no_copy || qvx_e2e_fail "Quorvex still running after uninstall"
qvx_e2e_wait 10 ramp_is 0 || qvx_e2e_fail "the screen stays tinted after uninstall"
[ -z "$(qvx_e2e_run_value)" ] || qvx_e2e_fail "Run value left: $(qvx_e2e_run_value)"
wine reg query "$UNINSTALL_KEY" </dev/null >/dev/null 2>&1 && qvx_e2e_fail "uninstall entry left"
find "$WINEPREFIX/drive_c/users" -path '*Start Menu/Programs/Quorvex.lnk' | grep -q . &&
    qvx_e2e_fail "shortcut left"
[ "$(qvx_e2e_reg SetHuYanValue)" = 33 ] || qvx_e2e_fail "the user's settings were removed"
shot 6-uninstalled
echo "quiet uninstall: nothing running, identity ramp, no files, Run value or entry; settings kept"
# ---- the interactive setup: its pages, and the offer to start Quorvex at the end ----------------
(cd "$WINEPREFIX/drive_c" && exec wine "$(winepath -w "$SETUP")" </dev/null >>"$QVX_E2E_LOG" 2>&1 &)
sleep 5
shot 7-welcome
xdotool key Return
sleep 2
shot 8-folder
xdotool key Return
installed() { [ -f "$INSTALL/uninstall.exe" ]; }
qvx_e2e_wait 30 installed || qvx_e2e_fail "the interactive setup installed nothing"
sleep 3
shot 9-finish
no_copy || qvx_e2e_fail "Quorvex started before the finish page was left"
xdotool key Return  # 完成, with 立即运行 Quorvex ticked
qvx_e2e_wait 40 one_copy || qvx_e2e_fail "the finish page did not start Quorvex"
qvx_e2e_wait 40 qvx_e2e_window_shown || {
    shot 10-started-from-finish-page
    qvx_e2e_fail "the started program shows no window ($(qvx_e2e_window))"
}
shot 10-started-from-finish-page
echo "interactive setup: pages shown, Quorvex started from the finish page"
setup_silent "$(winepath -w "$INSTALL/uninstall.exe")" /S || qvx_e2e_fail "clean-up uninstall"
qvx_e2e_wait 20 no_copy || qvx_e2e_fail "Quorvex left running by the clean-up uninstall"
echo "PASS $QVX_E2E_NAME"
