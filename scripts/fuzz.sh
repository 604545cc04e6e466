#!/usr/bin/env bash
# Builds the settings-file fuzz target with clang's libFuzzer and runs it for
# a bounded time (FUZZ_SECONDS, default 25). Prints one line; exits non-zero
# when the build fails or the fuzzer finds a crash.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-25}
out=build/fuzz
mkdir -p "$out/corpus"
cxx=$(command -v clang++ || command -v clang++-14) || {
    echo "fuzz: FAILED, clang++ not found"
    exit 1
}

if ! "$cxx" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -Isrc tests/fuzz/ini_fuzz.cpp src/config/ini_document.cpp src/config/ini_file.cpp \
    src/config/save_temporary.cpp src/config/settings_paths.cpp src/base/cp1251.cpp \
    src/base/number_text.cpp src/link/file_kind.cpp src/link/system_reason.cpp \
    -o "$out/ini_fuzz" >"$out/build.log" 2>&1; then
    echo "fuzz: FAILED to build ini_fuzz, see $out/build.log"
    exit 1
fi

# The golden settings files seed the corpus with real sections and keys.
cp -n tests/config/golden/*.* "$out/corpus/" 2>/dev/null

if ASAN_OPTIONS=detect_leaks=1 "$out/ini_fuzz" "$out/corpus" -max_total_time="$seconds" \
    -max_len=8192 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$out/" \
    >"$out/run.log" 2>&1; then
    runs=$(grep -o 'Done [0-9]* runs' "$out/run.log" | tail -1 | tr -dc '0-9')
    echo "fuzz: ini_fuzz ${runs:-?} runs in ${seconds} s, no crash"
else
    echo "fuzz: ini_fuzz FOUND A CRASH, see $out/run.log and $out/crash-*"
    exit 1
fi
