# Wine as our Windows: a private prefix per build folder, a 936 code page, a CJK font, an X
# server when there is none. Source it after common.sh, then call the functions you need;
# qvx_wine_cleanup (installed as an EXIT trap by qvx_wine_up) ends what was started, by PID.
#
#   qvx_wine_env <build-dir>     exports WINEPREFIX and the rest
#   qvx_x_start [xvfb|xorg]      a private X server on a free display (xorg: dummy driver, where
#                                gamma ramps really load); exports DISPLAY
#   qvx_wine_up                  prefix made once, one persistent wineserver, services started

QVX_X_PIDS=()

qvx_wine_env() {
    local build=$1
    mkdir -p "$build"
    export WINEPREFIX=$(cd "$build" && pwd)/wineprefix
    export WINEARCH=win64
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
}

qvx_free_display() {
    local n
    for n in $(seq 90 160); do
        if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then
            echo $n
            return 0
        fi
    done
    return 1
}

qvx_x_start() {
    local kind=${1:-xvfb} n log pid try
    # Scenarios of other lanes may take a display number at the same moment: a server that
    # cannot have the one chosen is tried again on the next free one.
    for try in 1 2 3 4 5; do
        n=$(qvx_free_display) || { echo "no free X display" >&2; return 1; }
        log=${WINEPREFIX%/wineprefix}/x$n.log
        if [ "$kind" = xorg ]; then
            Xorg ":$n" -config "$QVX_ROOT/scripts/wine/xorg-dummy.conf" -noreset -nolisten tcp \
                -logfile "$log" >/dev/null 2>&1 &
        else
            Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$log" 2>&1 &
        fi
        pid=$!
        for _ in $(seq 1 100); do
            # Ours only when its lock file names it: another lane's server may answer on :$n.
            if kill -0 "$pid" 2>/dev/null && [ "$(tr -d ' \n' 2>/dev/null </tmp/.X$n-lock)" = "$pid" ] &&
                DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
                QVX_X_PIDS+=("$pid")
                export DISPLAY=":$n"
                return 0
            fi
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$pid" 2>/dev/null
        sleep "0.$((RANDOM % 9 + 1))"
    done
    echo "X server ($kind) did not start; see $log" >&2
    return 1
}

qvx_display_works() { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }

qvx_wine_up() {
    trap qvx_wine_cleanup EXIT
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        qvx_step "new Wine prefix $WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w
        wine reg import "$(winepath -w "$QVX_ROOT/scripts/wine/prefix-setup.reg")" \
            </dev/null >/dev/null 2>&1
        wineserver -w
    fi
    # One server for the whole run, and the services started detached from our pipes: a test
    # that starts them itself would hand them its output pipe and hang until its time-out.
    wineserver -p
    wineboot </dev/null >/dev/null 2>&1
}

qvx_wine_cleanup() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null || true
        timeout 20 wineserver -w 2>/dev/null || true
    fi
    local pid
    for pid in "${QVX_X_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    QVX_X_PIDS=()
}
