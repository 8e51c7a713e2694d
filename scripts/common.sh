# Shared by the README commands and the test scripts: paths, logging, packages.
# Source it; it defines functions and variables only.

QVX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QVX_T0=${QVX_T0:-$(date +%s)}
export QVX_ROOT QVX_T0

qvx_step() { echo "== [$(($(date +%s) - QVX_T0))s] $*"; }

QVX_PACKAGES=(
    cmake g++ make googletest libgtest-dev libgmock-dev libbenchmark-dev clang-format
    g++-mingw-w64-x86-64-posix wine wine64 fonts-wine
    xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick xserver-xorg-core xserver-xorg-video-dummy
    fonts-wqy-microhei locales
    libmicrohttpd-dev libsqlite3-dev sqlite3 curl wrk nginx-light procps psmisc python3
    postgresql libpq-dev libnginx-mod-stream
    libssl-dev openssl clang nsis
    python3-ephem faketime prometheus chromium
)

# Installs whatever of QVX_PACKAGES is missing (once; later runs only check) and the zh_CN
# locale that gives Wine the 936 ANSI code page.
# Runs a check once a second until it holds, at most LIMIT times, then once more; its status.
qvx_wait() {
    local limit=$1 i
    shift
    for ((i = 0; i < limit; i++)); do
        "$@" && return 0
        sleep 1
    done
    "$@"
}

qvx_install_deps() {
    local missing=() p
    for p in "${QVX_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        qvx_step "apt-get install ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
    if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
        qvx_step "localedef zh_CN.UTF-8"
        localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
    fi
}

# cmake configure (once) + build of one preset; extra arguments are build targets.
qvx_build() {
    local preset=$1 dir=$2
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake --preset "$preset" -B "$dir" >/dev/null
    fi
    if [ $# -gt 0 ]; then
        cmake --build "$dir" -j2 --target "$@"
    else
        cmake --build "$dir" -j2
    fi
}

# The MAC text as quorvex-stats stores it under the secret file SECRET: HMAC-SHA-256 in hex. One
# line per TEXT argument, or per line of stdin when none is given.
qvx_mac_key() {
    python3 -c 'import hashlib, hmac, sys
key = open(sys.argv[1], "rb").read()
for text in sys.argv[2:] or [line.rstrip("\n") for line in sys.stdin]:
    print(hmac.new(key, text.encode(), hashlib.sha256).hexdigest())' "$@"
}

# quorvex-stats from the optimised tree, built first (with any further targets named); prints
# the path of the program.
qvx_stats_binary() {
    local build=${QVX_RELEASE_BUILD:-$QVX_ROOT/build/native-release}
    qvx_build native-release "$build" quorvex-stats "$@" >/dev/null || return 1
    echo "$build/server/quorvex-stats"
}

# A private nginx for one run: DIR/nginx.conf in the foreground, every path under DIR; the
# main-level lines (stdin, may be empty) come before, HTTP-level lines (second argument) inside
# the http block.
qvx_nginx_conf() {
    local dir=$1 httpLines=$2
    mkdir -p "$dir"
    {
        cat
        cat <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 1024; }
http {
    access_log off;
    client_body_temp_path $dir/body;
    proxy_temp_path $dir/proxy;
    fastcgi_temp_path $dir/fastcgi;
    uwsgi_temp_path $dir/uwsgi;
    scgi_temp_path $dir/scgi;
$httpLines
}
CONF
    } >"$dir/nginx.conf"
}

# nginx answering every request on 127.0.0.1:PORT with the static text a version check gets
# ("1.6"), the yardstick of the service's benchmarks; started in the background (QVX_NGINX_PID)
# and waited for.
qvx_nginx_static_reply() {
    local dir=$1 port=$2
    qvx_nginx_conf "$dir" "    server {
        listen 127.0.0.1:$port;
        location / { default_type text/plain; return 200 \"1.6\"; }
    }" </dev/null
    nginx -p "$dir" -c "$dir/nginx.conf" 2>/dev/null &
    QVX_NGINX_PID=$!
    for _ in $(seq 50); do
        curl -s -o /dev/null "http://127.0.0.1:$port/" && return 0
        sleep 0.1
    done
    return 1
}
