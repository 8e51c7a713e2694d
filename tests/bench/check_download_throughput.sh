#!/usr/bin/env bash
# Download speed of the updater's CStdDown under Wine, against curl and against a bare loop of
# the same WinInet calls with the same 1 KiB pieces, on one 64 MiB file from one local server in
# the same run. Prints the three speeds and the ratios.
#
# The limit: CStdDown must reach QVX_DOWNLOAD_MIN_RATIO (default 0.5) of the speed of
# QVX_DOWNLOAD_LIMIT_BASE: "wininet" (default; the bare 1 KiB WinInet loop, the most any client
# that reads 1 KiB pieces through WinInet reaches here) or "curl". It also fails when any
# download is incomplete.
#
# Needs the Windows tree ($QVX_WIN_BUILD, default build/windows): builds wine_updater there.
# QVX_BENCH_EXE may name a prebuilt test exe holding the StdDownThroughput tests instead.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QVX_ROOT/scripts/wine_env.sh"

WIN_BUILD=${QVX_WIN_BUILD:-$QVX_ROOT/build/windows}
SIZE_MIB=64
MIN_RATIO=${QVX_DOWNLOAD_MIN_RATIO:-0.50}
LIMIT_BASE=${QVX_DOWNLOAD_LIMIT_BASE:-wininet}

exe=${QVX_BENCH_EXE:-}
if [ -z "$exe" ]; then
    qvx_step "build wine_updater in $WIN_BUILD"
    qvx_build windows "$WIN_BUILD" wine_updater >/dev/null || { echo "build failed"; exit 1; }
    exe=$(find "$WIN_BUILD" -name wine_updater.exe | head -n 1)
fi
[ -f "$exe" ] || { echo "no test exe found"; exit 1; }

work=$(mktemp -d /tmp/qvx_download_bench.XXXXXX)
server_pid=
finish() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
    fi
    rm -rf "$work"
    qvx_wine_cleanup
}
trap finish EXIT

mkdir -p "$work/www"
head -c $((SIZE_MIB * 1024 * 1024)) /dev/urandom >"$work/www/big.bin"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www" >"$work/server.log" 2>&1 &
server_pid=$!
url="http://127.0.0.1:$port/big.bin"
for _ in $(seq 1 50); do
    curl -s -o /dev/null --max-time 1 -I "$url" && break
    sleep 0.1
done

qvx_step "curl"
curl_best=0
for _ in 1 2 3; do
    bps=$(curl -s --max-time 60 -o "$work/curl.bin" -w '%{speed_download}' "$url") || {
        echo "curl download failed"
        exit 1
    }
    cmp -s "$work/curl.bin" "$work/www/big.bin" || { echo "curl download differs"; exit 1; }
    curl_best=$(python3 -c "print(max($curl_best, $bps))")
done
rm -f "$work/curl.bin"

qvx_step "CStdDown and the bare WinInet loop under Wine"
qvx_wine_env "$WIN_BUILD"
qvx_x_start xvfb && qvx_wine_up || { echo "Wine did not start"; exit 1; }
trap finish EXIT # qvx_wine_up set its own trap; ours ends Wine too
save_windows=$(winepath -w "$work/cstddown.bin" 2>/dev/null)

# run_wine <test> -> "bytes seconds" of one download through the test exe
run_wine() {
    local out line
    out=$(QVX_BENCH_URL="$url" QVX_BENCH_SAVE="$save_windows" timeout 60 wine "$exe" \
        --gtest_also_run_disabled_tests --gtest_filter="StdDownThroughput.$1" 2>&1)
    line=$(grep -o 'bytes=[0-9]* seconds=[0-9.]*' <<<"$out" | tail -n 1)
    if ! grep -q 'PASSED.*1 test' <<<"$out" || [ -z "$line" ]; then
        echo "$out" >&2
        return 1
    fi
    sed -E 's/bytes=([0-9]+) seconds=([0-9.]+)/\1 \2/' <<<"$line"
}

# The machine is shared: the best of three rounds, the two clients taking turns.
ours=()
bare=()
for _ in 1 2 3; do
    r=$(run_wine DISABLED_LocalFile) || { echo "CStdDown download failed"; exit 1; }
    ours+=("$r")
    r=$(run_wine DISABLED_BareWinInet) || { echo "bare WinInet download failed"; exit 1; }
    bare+=("$r")
done

python3 - "$((SIZE_MIB * 1024 * 1024))" "$curl_best" "$MIN_RATIO" "$LIMIT_BASE" \
    "${ours[@]}" -- "${bare[@]}" <<'PY'
import sys

size, curl, minimum, base = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
runs = sys.argv[5:]
split = runs.index("--")


def best(results):
    speeds = []
    for result in results:
        got, seconds = result.split()
        if int(got) != size:
            sys.exit(f"incomplete download: {got} of {size} bytes")
        speeds.append(size / float(seconds))
    return max(speeds)


ours, bare = best(runs[:split]), best(runs[split + 1:])
print(f"CStdDown under Wine:            {ours / 1e6:8.1f} MB/s")
print(f"bare WinInet loop, 1 KiB reads: {bare / 1e6:8.1f} MB/s")
print(f"curl:                           {curl / 1e6:8.1f} MB/s")
print(f"CStdDown / curl {ours / curl * 100:.0f} %, CStdDown / bare WinInet {ours / bare * 100:.0f} %;"
      f" limit {minimum * 100:.0f} % of {base}")
reference = curl if base == "curl" else bare
sys.exit(0 if ours >= minimum * reference else 1)
PY
