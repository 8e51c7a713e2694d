#!/usr/bin/env bash
# The updater end to end under Wine: qvxUpgraded.exe installed beside quorvex.exe, quorvex-stats
# on 127.0.0.1 serving the update folder. The buttons are pressed with the keyboard (Enter is
# NextCmd). Scenarios:
#   update   every listed file (the running updater and the settings file included) arrives
#            byte-identical, "运行系统" starts quorvex.exe again;
#   missing  the server answers 404 for one file: the server's access log shows the request,
#            the list says so, the program folder stays byte-identical and quorvex.exe is not
#            started;
#   rollback one file cannot be installed (a folder stands in its place): the folder's events
#            show each file before it replaced and then put back, the list says so, and the
#            program folder is byte-identical again;
#   signed   a file changed after signing, the information file changed after signing, a
#            missing signature and a signature by another key: nothing is fetched or installed;
#   killed   the updater killed in the middle of installing: its next start puts the old
#            program back whole.
# The update folder is published and signed by quorvex-stats publish with the build's
# development key, which the updater under test trusts.
# Screenshots of each step go to $QVX_SHOTS (default <win build>/e2e-shots/updater).
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QVX_ROOT/scripts/wine_env.sh"

WIN_BUILD=${QVX_WIN_BUILD:-$QVX_ROOT/build/windows}
UPDATER_EXE=$WIN_BUILD/updater/qvxUpgraded.exe
MAIN_EXE=${QVX_MAIN_EXE:-$WIN_BUILD/app/quorvex.exe}
SHOTS=${QVX_SHOTS:-$WIN_BUILD/e2e-shots/updater}
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
    echo "Windows processes:" >&2
    ps -eo pid,args | grep -i -E 'quorvex|qvxUpgraded' | grep -v grep >&2
    exit 1
}
[ -f "$UPDATER_EXE" ] || fail "no $UPDATER_EXE (build the windows tree first)"
[ -n "$STATS" ] || fail "no quorvex-stats build (native-release or native)"
PROBE=$WIN_BUILD/tests/e2e/tools/qvx_window_probe.exe
[ -f "$PROBE" ] || fail "no $PROBE (build the windows tree first)"
KEY=$WIN_BUILD/update-key/private.pem
[ -f "$KEY" ] || fail "no development update key at $KEY (configure the windows tree first)"
if [ ! -f "$MAIN_EXE" ]; then
    fail "no main program at $MAIN_EXE (set QVX_MAIN_EXE to use a stand-in)"
fi

TMP=$(mktemp -d /tmp/qvx-updater-e2e.XXXXXX)
SERVER_PID=""
LOGGER_PID=""
WATCH_PID=""
STARTED_PIDS=()
cleanup() {
    local pid
    for pid in "${STARTED_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null
    [ -n "$LOGGER_PID" ] && kill "$LOGGER_PID" 2>/dev/null
    [ -n "$WATCH_PID" ] && kill "$WATCH_PID" 2>/dev/null
    forget_autostart
    qvx_wine_cleanup
    rm -rf "$TMP"
}

# The main program registers itself to start with Windows; the prefix's session start would then
# run it and put its window over the updater. This scenario keeps that value out of its prefix.
forget_autostart() {
    wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v quorvex /f \
        </dev/null >/dev/null 2>&1 || true
}

# A prefix of its own, so that no other program of the build folder starts with the session.
qvx_wine_env "$WIN_BUILD/e2e-updater"
qvx_x_start xvfb || fail "no X server"
qvx_wine_up
trap cleanup EXIT
forget_autostart
mkdir -p "$SHOTS"
rm -f "$SHOTS"/*.png

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
PORT=$(free_port)
ROOT=$TMP/www
mkdir -p "$ROOT/update"
"$STATS" --bind 127.0.0.1 --port "$PORT" --db "$TMP/stats.db" --update-dir "$ROOT" \
    >"$TMP/stats.log" 2>&1 &
SERVER_PID=$!
for _ in $(seq 1 50); do
    curl -s -o /dev/null "http://127.0.0.1:$PORT/" && break
    sleep 0.1
done

# The same server behind a pass-through that logs every request ("GET /update/x.dat 200"):
# the scenarios that set SERVED_PORT to it can show what the updater asked for.
LOGGED_PORT=$(free_port)
ACCESS_LOG=$TMP/access.log
python3 "$QVX_ROOT/tests/e2e/tools/http_access_log.py" "$LOGGED_PORT" "$PORT" "$ACCESS_LOG" &
LOGGER_PID=$!
for _ in $(seq 1 50); do
    curl -s -o /dev/null "http://127.0.0.1:$LOGGED_PORT/" && break
    sleep 0.1
done
grep -q '^GET / ' "$ACCESS_LOG" 2>/dev/null || fail "the logging pass-through does not answer"
# expect_request <line>: the access log has that line.
expect_request() {
    grep -Fxq -- "$1" "$ACCESS_LOG" ||
        fail "the server never saw \"$1\"; its access log: $(tr '\n' '|' <"$ACCESS_LOG")"
}

PROG_WIN='C:\QuorvexUpd'
PROG=$WINEPREFIX/drive_c/QuorvexUpd
GBK_NAME=$(printf '本机测试服务器' | iconv -f UTF-8 -t GBK)

# settings <ExeVerM> <file names...>: a settings file in the system code page, CRLF lines.
settings() {
    local ver=$1 k=0 name
    shift
    printf '[SetOpt]\r\nupdexe=1\r\nupddic=1\r\n'
    printf '[Info]\r\nInfoStr=Quorvex_Soft_qvxUpgraded\r\nSerNum=1\r\nExeVerM=%s\r\nExeVerZ=5\r\nFileNum=%s\r\n' \
        "$ver" "$#"
    printf '[Server]\r\nSer1=%s\r\nSerHost1=127.0.0.1\r\nSerUrl1=http://127.0.0.1:%s/update\r\n' \
        "$GBK_NAME" "${SERVED_PORT:-$PORT}"
    printf '[FileList]\r\n'
    for name in "$@"; do
        k=$((k + 1))
        printf 'File%s=%s\r\n' "$k" "$name"
    done
}

# The installed program: version 1 of everything.
install_program() {
    rm -rf "$PROG"
    mkdir -p "$PROG"
    cp "$MAIN_EXE" "$PROG/quorvex.exe"
    cp "$UPDATER_EXE" "$PROG/qvxUpgraded.exe"
    head -c 3000 /dev/urandom >"$PROG/words.dat"
    settings 1 "$@" >"$PROG/qvxUpgraded.ini"
}

# The update folder: version 2 of every named file, signed with the key given in $SIGN_KEY
# (default: the build's); the settings file doubles as the information file, so installing it
# records the new version.
publish() {
    local stage=$TMP/stage name
    local paths=()
    rm -rf "$ROOT/update" "$stage"
    mkdir -p "$stage/data"
    settings 2 "$@" >"$stage/qvxUpgraded.ini"
    { cat "$MAIN_EXE"; printf 'quorvex 1.6 overlay'; } >"$stage/quorvex.exe"
    { cat "$UPDATER_EXE"; printf 'updater 1.6 overlay'; } >"$stage/qvxUpgraded.exe"
    head -c 5000 /dev/urandom >"$stage/words.dat"
    head -c 1500 /dev/urandom >"$stage/data/extra.dat"
    head -c 100 /dev/urandom >"$stage/blocked"
    head -c 700 /dev/urandom >"$stage/missing.dll"
    [ -n "${BIG_FILE:-}" ] && head -c "$BIG_FILE" /dev/urandom >"$stage/big.dat"
    for name in "$@"; do
        paths+=("${name//\\//}")
    done
    # With the offer the service answers: the updater passes over a key it does not read.
    (cd "$stage" && "$STATS" publish --key "${SIGN_KEY:-$KEY}" --program-version 2 --offer 1.6 \
        --entries-version 5 --out "$ROOT/update" "${paths[@]}") >/dev/null ||
        fail "publish failed"
}

# Files of the program folder with their hashes, the work folder left out.
snapshot() {
    (cd "$PROG" && find . -path ./qvxUpgraded -prune -o -type f -print0 | sort -z |
        xargs -0 sha256sum)
}

shot() { import -window root "$SHOTS/$1.png"; }

# watch_program_folder: from now on, what happens to the program folder's entries is written
# to $EVENTS ("MOVED_TO words.dat.qvxold", "CLOSE_WRITE words.dat", ...).
EVENTS=$TMP/events.log
watch_program_folder() {
    rm -f "$EVENTS"
    python3 "$QVX_ROOT/tests/e2e/tools/folder_events.py" "$PROG" "$EVENTS" &
    WATCH_PID=$!
    for _ in $(seq 1 50); do
        grep -qx ready "$EVENTS" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "no watch on the program folder"
}
stop_watching() {
    kill "$WATCH_PID" 2>/dev/null
    wait "$WATCH_PID" 2>/dev/null
    WATCH_PID=""
}
# events_in_order <event>...: the events happened, each after the one before it.
events_in_order() {
    local at=0 event n
    for event in "$@"; do
        n=$(tail -n +"$((at + 1))" "$EVENTS" | grep -nFx -m1 -- "$event" | cut -d: -f1)
        [ -n "$n" ] || return 1
        at=$((at + n))
    done
}

start_updater() {
    (cd "$PROG" && exec wine "$PROG_WIN\\qvxUpgraded.exe" >>"$TMP/wine.log" 2>&1) &
    STARTED_PIDS+=($!)
    # Start-up creates the work folder, then times the server (about 5 ms on loopback).
    for _ in $(seq 1 100); do
        [ -d "$PROG/qvxUpgraded" ] && break
        sleep 0.1
    done
    sleep 2
    xdotool mousemove 512 384
}

# The lines of the updater's list box, as the user reads them.
log_lines() {
    wine "$PROBE" list QvxUpgradedMainF </dev/null 2>/dev/null | tr -d '\r'
}
# expect_line <seconds> <line>: the list box shows that line within the time.
expect_line() {
    local limit=$(($1 * 5)) line=$2
    for _ in $(seq 1 "$limit"); do
        log_lines | grep -Fxq -- "$line" && return 0
        sleep 0.2
    done
    fail "the updater's list never showed \"$line\"; it shows: $(log_lines | tr '\n' '|')"
}

press_enter() {
    xdotool key Return
    sleep "${1:-2}"
}

# Processes of this prefix whose command line is the program (a program started by another one
# shows the command line it was given, here the bare file name).
prefix_pids() {
    local pid
    for pid in $(pgrep -f "(^|\\\\)$1\$"); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            echo "$pid"
    done
}
updater_running() { [ -n "$(prefix_pids 'qvxUpgraded\.exe')" ]; }
main_pid() { prefix_pids 'quorvex\.exe' | head -1; }

wait_until_gone() {
    for _ in $(seq 1 50); do
        updater_running || return 0
        sleep 0.2
    done
    return 1
}

# A run cut short may have left the value behind: a main program started by this prefix's
# session start is ended by its id.
for pid in $(main_pid); do
    kill "$pid" 2>/dev/null
done

# ---- update: everything arrives, the main program is started again -----------------------
FILES=(quorvex.exe words.dat 'data\extra.dat' qvxUpgraded.exe qvxUpgraded.ini)
qvx_step "update: ${FILES[*]}"
install_program "${FILES[@]}"
publish "${FILES[@]}"
start_updater
shot 1-update-servers
press_enter 3
[ -f "$PROG/qvxUpgraded/qvxUpgraded.ini" ] || fail "information file not fetched"
shot 2-update-judged
press_enter 1
for _ in $(seq 1 100); do
    cmp -s "$ROOT/update/qvxUpgraded.ini" "$PROG/qvxUpgraded.ini" && break
    sleep 0.2
done
sleep 1
shot 3-update-done
for f in quorvex.exe words.dat data/extra.dat qvxUpgraded.exe qvxUpgraded.ini; do
    cmp "$ROOT/update/$f" "$PROG/$f" || fail "$f not installed byte-identical"
done
[ -z "$(ls -A "$PROG/qvxUpgraded")" ] || fail "work folder not emptied: $(ls -A "$PROG/qvxUpgraded")"
[ -z "$(main_pid)" ] || fail "quorvex.exe already running before 运行系统"
press_enter 1
wait_until_gone || fail "updater still running after 运行系统"
pid=""
for _ in $(seq 1 50); do
    pid=$(main_pid)
    [ -n "$pid" ] && break
    sleep 0.2
done
[ -n "$pid" ] || fail "运行系统 did not start quorvex.exe"
STARTED_PIDS+=("$pid")
sleep 2
shot 4-update-main-started
kill "$pid" 2>/dev/null
echo "update: all files byte-identical, quorvex.exe started (pid $pid)"

# A second run finds nothing newer and offers "关 闭".
start_updater
press_enter 3
shot 5-second-run-nothing-newer
press_enter 1
wait_until_gone || fail "updater still running after 关 闭"
pid=$(main_pid)
[ -n "$pid" ] && STARTED_PIDS+=("$pid") && kill "$pid" 2>/dev/null
[ -n "$pid" ] || fail "关 闭 did not start quorvex.exe"
[ ! -e "$PROG/qvxUpgraded.exe.qvxold" ] || fail "the set-aside updater was not removed on the next start"

# ---- missing: one file answers 404 -----------------------------------------------------------
FILES=(quorvex.exe words.dat missing.dll qvxUpgraded.ini)
qvx_step "missing: ${FILES[*]}"
SERVED_PORT=$LOGGED_PORT
install_program "${FILES[@]}"
publish "${FILES[@]}"
unset SERVED_PORT
rm "$ROOT/update/missing.dll"  # signed, then gone from the server
before=$(snapshot)
: >"$ACCESS_LOG"
start_updater
press_enter 3
shot 6-missing-judged
press_enter 1
expect_line 10 "missing.dll - [下载失败,服务器返回 404]"
expect_line 5 "系统在线升级 - [不成功！]"
shot 7-missing-not-successful
# The files before it came, and the server itself answered 404 for the missing one.
expect_request "GET /update/quorvex.exe 200"
expect_request "GET /update/words.dat 200"
expect_request "GET /update/missing.dll 404"
[ "$(snapshot)" = "$before" ] || fail "404: program folder changed"
[ -z "$(ls -A "$PROG/qvxUpgraded")" ] || fail "404: work folder not emptied"
press_enter 1
wait_until_gone || fail "updater still running after 退出升级"
[ -z "$(main_pid)" ] || fail "退出升级 started quorvex.exe"
echo "missing: the server answered 404 for missing.dll, program folder unchanged, main program not started"

# ---- rollback: the last file cannot be installed ------------------------------------------
FILES=(quorvex.exe words.dat qvxUpgraded.exe blocked)
qvx_step "rollback: ${FILES[*]}"
SERVED_PORT=$LOGGED_PORT
install_program "${FILES[@]}"
mkdir -p "$PROG/blocked"
publish "${FILES[@]}"
unset SERVED_PORT
before=$(snapshot)
: >"$ACCESS_LOG"
watch_program_folder
start_updater
press_enter 3
press_enter 1
expect_line 10 "blocked - [安装失败]"
expect_line 5 "已恢复原有文件,本机程序未作改动。"
expect_line 5 "系统在线升级 - [不成功！]"
shot 8-rollback-not-successful
stop_watching
for f in quorvex.exe words.dat qvxUpgraded.exe blocked; do
    expect_request "GET /update/$f 200"
done
# Each file before the blocked one was set aside, the new one written in its place, and the
# old one put back; the running updater's own file included.
for f in quorvex.exe words.dat qvxUpgraded.exe; do
    events_in_order "MOVED_TO $f.qvxold" "CLOSE_WRITE $f" "MOVED_TO $f" ||
        fail "rollback: $f was not replaced and put back; events: $(tr '\n' '|' <"$EVENTS")"
done
[ "$(snapshot)" = "$before" ] || fail "rollback: program folder changed: $(diff <(echo "$before") <(snapshot))"
ls "$PROG" | grep -q qvxold && fail "rollback: backups left: $(ls "$PROG")"
press_enter 1
wait_until_gone || fail "updater still running after 退出升级"
echo "rollback: quorvex.exe, words.dat and qvxUpgraded.exe replaced, then put back byte-identical"

# ---- signed: what the publisher did not sign is never installed ---------------------------
# Each case leaves the program folder byte-identical; the updater's own list says why.
# refused_case <name> <line the list must show> <what to do to the published folder>
refused_case() {
    local name=$1 line=$2 pid
    shift 2
    qvx_step "signed: $name"
    FILES=(quorvex.exe words.dat qvxUpgraded.ini)
    install_program "${FILES[@]}"
    publish "${FILES[@]}"
    SIGN_KEY=""
    "$@"
    before=$(snapshot)
    start_updater
    press_enter 3
    if [ "$name" = file-changed ]; then
        press_enter 1  # the signature holds: on to the file phase
    fi
    expect_line 15 "$line"
    shot "9-signed-$name"
    press_enter 1  # closes the message box, if there is one
    press_enter 2  # NextCmd: disabled in the dead end, "退出升级" after a failed file phase
    [ "$(snapshot)" = "$before" ] || fail "$name: program folder changed"
    [ ! -e "$PROG/qvxUpgraded/words.dat" ] || fail "$name: a listed file was left in the work folder"
    [ -z "$(main_pid)" ] || fail "$name: quorvex.exe started"
    for pid in $(prefix_pids 'qvxUpgraded\.exe'); do
        kill "$pid" 2>/dev/null
    done
    wait_until_gone || fail "$name: updater does not end"
}
change_after_signing() { printf 'x' | dd of="$ROOT/update/words.dat" bs=1 seek=100 conv=notrunc 2>/dev/null; }
change_info_after_signing() { sed -i 's/ExeVerM=2/ExeVerM=3/' "$ROOT/update/qvxUpgraded.ini"; }
remove_signature() { rm "$ROOT/update/qvxUpgraded.ini.sig"; }
other_key() {
    openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$TMP/other.pem" 2>/dev/null
    # For this publication only: the scenarios after it sign with the build's key again.
    SIGN_KEY=$TMP/other.pem publish "${FILES[@]}"
}
refused_case file-changed "words.dat - [校验失败]" change_after_signing
refused_case info-changed "升级信息文件签名无效,已停止升级。" change_info_after_signing
refused_case no-signature "升级信息文件签名无效,已停止升级。" remove_signature
refused_case other-key "升级信息文件签名无效,已停止升级。" other_key
echo "signed: nothing unsigned was fetched or installed"

# ---- killed: the updater dies in the middle of installing --------------------------------
# A large file, installed last, keeps the installation busy: the updater is killed the moment
# that file is set aside, with the two files before it already replaced. The next start must
# put every replaced file back.
qvx_step "killed in the middle of installing"
FILES=(quorvex.exe words.dat big.dat)
cut=""
for attempt in 1 2 3; do
    install_program "${FILES[@]}"
    head -c 1000 /dev/urandom >"$PROG/big.dat"
    BIG_FILE=$((32 * 1024 * 1024)) publish "${FILES[@]}"
    before=$(snapshot)
    start_updater
    press_enter 3
    pid=$(prefix_pids 'qvxUpgraded\.exe' | head -1)
    [ -n "$pid" ] || fail "killed: updater not running"
    xdotool key Return
    # Polled every millisecond, the kill lands within a millisecond of the set-aside file.
    python3 - "$PROG/big.dat.qvxold" "$pid" <<'PY' || fail "killed: the installation never began"
import os, signal, sys, time
deadline = time.time() + 180
while not os.path.exists(sys.argv[1]):
    if time.time() > deadline:
        sys.exit(1)
    time.sleep(0.001)
os.kill(int(sys.argv[2]), signal.SIGKILL)
PY
    wait_until_gone || fail "killed: updater survived kill -9"
    if [ -e "$PROG/qvxUpgraded/install.journal" ]; then
        cut=yes
        break
    fi
    echo "attempt $attempt: the install finished before the kill; again"
done
[ -n "$cut" ] || fail "killed: could not catch the installation in the middle"
cmp -s "$ROOT/update/quorvex.exe" "$PROG/quorvex.exe" ||
    fail "killed: cut short before the first file was replaced"
shot 10-killed-mid-install
start_updater
[ "$(snapshot)" = "$before" ] ||
    fail "killed: not recovered: $(diff <(echo "$before") <(snapshot))"
[ ! -e "$PROG/qvxUpgraded/install.journal" ] || fail "killed: journal left after recovery"
ls "$PROG" | grep -q qvxold && fail "killed: backups left: $(ls "$PROG")"
shot 11-killed-recovered
for pid in $(prefix_pids 'qvxUpgraded\.exe'); do
    kill "$pid" 2>/dev/null
done
wait_until_gone || fail "killed: updater does not end"
echo "killed: the next start put the old program back whole"

qvx_step "updater scenarios passed; screenshots in $SHOTS"
exit 0
