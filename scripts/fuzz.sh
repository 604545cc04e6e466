#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz, clang with ASan + UBSan) into
# build/fuzz and runs them for a bounded time:
#   scripts/fuzz.sh                  every target, FUZZ_SECONDS each (default 10)
#   scripts/fuzz.sh TARGET SECONDS   one target, as long as asked (soak runs)
# Each target starts from its seeds in tests/fuzz/corpus/TARGET plus what
# earlier runs kept in build/fuzz/corpus/TARGET. Prints one line a target;
# exits non-zero when the build fails or a target finds an input that breaks
# it (saved as build/fuzz/findings/TARGET-crash-*, with the run's log).
# Warnings do not stop this build: the release and ASan builds of test.sh
# are the ones that treat them as errors, and clang warns of things gcc
# does not.
set -uo pipefail
cd "$(dirname "$0")/.."

out=build/fuzz
if [ $# -eq 2 ]; then
    targets=("$1")
    seconds=$2
elif [ $# -eq 0 ]; then
    targets=()
    for source in tests/fuzz/*_fuzz.cpp; do
        name=${source##*/}
        targets+=("${name%.cpp}")
    done
    seconds=${FUZZ_SECONDS:-10}
else
    echo "usage: scripts/fuzz.sh [TARGET SECONDS]" >&2
    exit 2
fi
case $seconds in
    '' | *[!0-9]*)
        echo "fuzz: SECONDS must be a whole number, not '$seconds'" >&2
        exit 2
        ;;
esac
for target in "${targets[@]}"; do
    if [ ! -f "tests/fuzz/$target.cpp" ]; then
        echo "fuzz: no target $target (tests/fuzz/$target.cpp)" >&2
        exit 2
    fi
done

cxx=$(command -v clang++ || command -v clang++-14) || {
    echo "fuzz: FAILED, clang++ not found"
    exit 1
}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
mkdir -p "$out/findings"
if ! { cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
    -DM8163_FUZZ=ON -DM8163_WERROR=OFF "${launcher[@]}" &&
    cmake --build "$out" -j2 --target "${targets[@]}"; } >"$out/build.log" 2>&1; then
    echo "fuzz: FAILED to build, see $out/build.log"
    grep -m5 -E 'error' "$out/build.log"
    exit 1
fi

status=0
for target in "${targets[@]}"; do
    corpus=$out/corpus/$target
    log=$out/findings/$target.log
    mkdir -p "$corpus"
    cp -n "tests/fuzz/corpus/$target"/* "$corpus/" 2>/dev/null
    if ASAN_OPTIONS=detect_leaks=1 "$out/tests/fuzz/$target" "$corpus" \
        -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$out/findings/$target-" -print_final_stats=1 >"$log" 2>&1; then
        runs=$(grep -o 'Done [0-9]* runs' "$log" | tail -1 | tr -dc '0-9')
        edges=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | tr -dc '0-9')
        echo "fuzz: $target ${runs:-?} runs in $seconds s, ${edges:-?} coverage edges, no finding"
    else
        echo "fuzz: $target FOUND AN INPUT THAT BREAKS IT, see $log:"
        grep -m3 -E 'property failed|ERROR:|runtime error|Test unit written' "$log" | sed 's/^/    /'
        status=1
    fi
done
exit $status
