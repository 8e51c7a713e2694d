#!/usr/bin/env bash
# Builds every libFuzzer target tests/fuzz/fuzz_*.cpp with clang (ASan + UBSan) and runs each for
# a bounded time: QVX_FUZZ_SECONDS (default 5) in the test command, longer by hand. A crash or
# a broken invariant fails the step and leaves the input in build/fuzz/<target>/.
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QVX_ROOT"

seconds=${QVX_FUZZ_SECONDS:-5}
out=$QVX_ROOT/build/fuzz

# The sources each target needs beside its own file.
declare -A SOURCES=(
    [fuzz_update_file_name]="updater/update_file_name.cpp base/text.cpp"
    [fuzz_file_digests]="updater/signed_update.cpp base/ini_text.cpp"
    [fuzz_signature_blob]="updater/signed_update.cpp updater/file_install.cpp
        updater/update_file_name.cpp base/text.cpp base/ini_text.cpp"
    [fuzz_update_request]="server/update_files.cpp server/access_log.cpp base/ini_text.cpp"
)

failed=0
for target_src in tests/fuzz/fuzz_*.cpp; do
    target=$(basename "$target_src" .cpp)
    if [ -z "${SOURCES[$target]+set}" ]; then
        echo "FAILED: $target has no entry in tests/fuzz/run.sh"
        failed=1
        continue
    fi
    mkdir -p "$out/$target/corpus"
    # shellcheck disable=SC2086
    if ! clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=undefined -I"$QVX_ROOT" "$target_src" ${SOURCES[$target]} \
        -o "$out/$target/$target"; then
        echo "FAILED: $target does not build"
        failed=1
        continue
    fi
    if (cd "$out/$target" && "./$target" -max_total_time="$seconds" -print_final_stats=0 corpus \
        >"$out/$target/log" 2>&1); then
        echo "$target: $(grep -Eo 'Done [0-9]+ runs' "$out/$target/log" | tail -1) in ${seconds}s"
    else
        echo "FAILED: $target (see $out/$target/log)"
        tail -20 "$out/$target/log"
        failed=1
    fi
done
exit "$failed"
