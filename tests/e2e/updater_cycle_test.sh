#!/usr/bin/env bash
# The whole update cycle under Wine: quorvex.exe (1.5) asks quorvex-stats on 127.0.0.1:8091 for
# the newest version, is offered 1.6, the offer is accepted (Enter = OK), qvxUpgraded.exe starts,
# fetches the files of the update folder served by the same quorvex-stats, installs them and
# starts quorvex.exe again. The statistics port is fixed (8091), so the scenario waits for it
# to be free. Screenshots go to $QVX_SHOTS (default <win build>/e2e-shots/updater-cycle).
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QVX_ROOT/scripts/wine_env.sh"

WIN_BUILD=${QVX_WIN_BUILD:-$QVX_ROOT/build/windows}
UPDATER_EXE=$WIN_BUILD/updater/qvxUpgraded.exe
MAIN_EXE=${QVX_MAIN_EXE:-$WIN_BUILD/app/quorvex.exe}
SHOTS=${QVX_SHOTS:-$WIN_BUILD/e2e-shots/updater-cycle}
STATS=""
for b in "${QVX_RELEASE_BUILD:-}" "${QVX_NATIVE_BUILD:-}" "$QVX_ROOT/build/native-release" \
    "$QVX_ROOT/build/native"; do
    if [ -n "$b" ] && [ -x "$b/server/quorvex-stats" ]; then
        STATS=$b/server/quorvex-stats
        break
    fi
done

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[ -f "$UPDATER_EXE" ] || fail "no $UPDATER_EXE (build the windows tree first)"
[ -f "$MAIN_EXE" ] || fail "no main program at $MAIN_EXE"
[ -n "$STATS" ] || fail "no quorvex-stats build (native-release or native)"
KEY=$WIN_BUILD/update-key/private.pem
[ -f "$KEY" ] || fail "no development update key at $KEY (configure the windows tree first)"

PORT=8091
port_free() {
    python3 -c 'import socket,sys; s=socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1); s.bind(("127.0.0.1", int(sys.argv[1])))' "$PORT" 2>/dev/null
}
for _ in $(seq 1 120); do
    port_free && break
    sleep 1
done
port_free || fail "port $PORT stays busy"

TMP=$(mktemp -d /tmp/qvx-updater-cycle.XXXXXX)
SERVER_PID=""
forget_autostart() {
    wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v quorvex /f \
        </dev/null >/dev/null 2>&1 || true
}
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null
    forget_autostart
    qvx_wine_cleanup
    rm -rf "$TMP"
}

# Its own prefix (shared with the updater scenarios), so that nothing else starts with it.
qvx_wine_env "$WIN_BUILD/e2e-updater"
qvx_x_start xvfb || fail "no X server"
qvx_wine_up
trap cleanup EXIT
forget_autostart
wine reg add 'HKCU\Software\quorvex' /v StatsHost /t REG_SZ /d 127.0.0.1 /f \
    </dev/null >/dev/null 2>&1 || fail "cannot set the statistics host"
mkdir -p "$SHOTS"
rm -f "$SHOTS"/*.png

prefix_pids() {
    local pid
    for pid in $(pgrep -f "(^|\\\\)$1\$"); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            echo "$pid"
    done
}
for pid in $(prefix_pids 'quorvex\.exe'); do
    kill "$pid" 2>/dev/null
done

PROG_WIN='C:\QuorvexCycle'
PROG=$WINEPREFIX/drive_c/QuorvexCycle
ROOT=$TMP/www
GBK_NAME=$(printf '本机测试服务器' | iconv -f UTF-8 -t GBK)
settings() {
    printf '[SetOpt]\r\nupdexe=1\r\nupddic=1\r\n'
    printf '[Info]\r\nInfoStr=Quorvex_Soft_qvxUpgraded\r\nSerNum=1\r\nExeVerM=%s\r\nExeVerZ=5\r\nFileNum=3\r\n' "$1"
    printf '[Server]\r\nSer1=%s\r\nSerHost1=127.0.0.1\r\nSerUrl1=http://127.0.0.1:%s/update\r\n' \
        "$GBK_NAME" "$PORT"
    printf '[FileList]\r\nFile1=quorvex.exe\r\nFile2=words.dat\r\nFile3=qvxUpgraded.ini\r\n'
}
rm -rf "$PROG"
mkdir -p "$PROG" "$ROOT/update"
cp "$MAIN_EXE" "$PROG/quorvex.exe"
cp "$UPDATER_EXE" "$PROG/qvxUpgraded.exe"
head -c 2000 /dev/urandom >"$PROG/words.dat"
settings 15 >"$PROG/qvxUpgraded.ini"
# The update, published and signed with the build's development key, as a publisher would.
STAGE=$TMP/stage
mkdir -p "$STAGE"
settings 16 >"$STAGE/qvxUpgraded.ini"
{ cat "$MAIN_EXE"; printf 'quorvex 1.6 overlay'; } >"$STAGE/quorvex.exe"
head -c 4000 /dev/urandom >"$STAGE/words.dat"
(cd "$STAGE" && "$STATS" publish --key "$KEY" --program-version 16 --entries-version 5 \
    --out "$ROOT/update" quorvex.exe words.dat qvxUpgraded.ini) || fail "publish failed"

"$STATS" --bind 127.0.0.1 --port "$PORT" --db "$TMP/stats.db" --newest-version 1.6 \
    --update-dir "$ROOT" >"$TMP/stats.log" 2>&1 &
SERVER_PID=$!
for _ in $(seq 1 50); do
    curl -s -o /dev/null "http://127.0.0.1:$PORT/update/qvxUpgraded.ini" && break
    sleep 0.1
done

shot() { import -window root "$SHOTS/$1.png"; }
wait_for() {  # wait_for <seconds> <command...>
    local limit=$(($1 * 5))
    shift
    for _ in $(seq 1 "$limit"); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}
running() { [ -n "$(prefix_pids "$1")" ]; }

qvx_step "quorvex.exe 1.5 against a service offering 1.6"
(cd "$PROG" && exec wine "$PROG_WIN\\quorvex.exe" >>"$TMP/wine.log" 2>&1) &
sleep 5
shot 1-offer
# The main window hides before the box opens, so the box comes up inactive under Wine: press
# its OK button (the box stands in the middle of the desktop).
xdotool mousemove 477 410 click 1
wait_for 15 running 'qvxUpgraded\.exe' || fail "accepting the offer did not start qvxUpgraded.exe"
wait_for 10 test -d "$PROG/qvxUpgraded" || fail "updater did not start up"
sleep 2
shot 2-updater-servers
xdotool key Return
wait_for 10 test -f "$PROG/qvxUpgraded/qvxUpgraded.ini" || fail "information file not fetched"
sleep 1
shot 3-updater-judged
xdotool key Return
wait_for 20 cmp -s "$ROOT/update/qvxUpgraded.ini" "$PROG/qvxUpgraded.ini" ||
    fail "update not installed"
sleep 1
shot 4-updater-done
for f in quorvex.exe words.dat qvxUpgraded.ini; do
    cmp "$ROOT/update/$f" "$PROG/$f" || fail "$f not installed byte-identical"
done
running 'quorvex\.exe' && fail "quorvex.exe did not end when it started the updater"
xdotool key Return
wait_for 10 running 'quorvex\.exe' || fail "运行系统 did not start quorvex.exe"
running 'qvxUpgraded\.exe' && sleep 2
running 'qvxUpgraded\.exe' && fail "updater still running after 运行系统"
sleep 4
shot 5-main-again
for pid in $(prefix_pids 'quorvex\.exe'); do
    kill "$pid" 2>/dev/null
done
qvx_step "whole update cycle passed; screenshots in $SHOTS"
exit 0
