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
)

# Installs whatever of QVX_PACKAGES is missing (once; later runs only check) and the zh_CN
# locale that gives Wine the 936 ANSI code page.
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
