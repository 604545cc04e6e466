#!/usr/bin/env bash
# Installs what is missing, runs the fast gate (formatting, layers), builds a
# release and an ASan + UBSan build with warnings as errors, runs clang-tidy
# (while the ASan build compiles), every fuzz target for a bounded time, the
# ThreadSanitizer tests, and the whole test suite in both builds. Prints the
# seconds each step took; exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"
. scripts/ensure-packages.sh
m8163_ensure_packages || exit 1

status=0
started=$SECONDS
took() {  # step name, start second
    echo "--- $1: $((SECONDS - $2)) s"
}
# A compiler cache, where the machine has one, spares a second run the
# compiles nothing changed for.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
build() {  # dir, extra cmake args...
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DM8163_WERROR=ON "${launcher[@]}" "$@" >/dev/null &&
        cmake --build "$dir" -j2
}

echo "=== gate: formatting and layers ==="
t=$SECONDS
scripts/gate.sh || exit 1
took gate $t

t=$SECONDS
build build/release -DCMAKE_BUILD_TYPE=Release || exit 1
took "release build" $t
# clang-tidy reads the release build's compile database; it shares the two
# cores with the ASan build meanwhile.
t=$SECONDS
scripts/tidy.sh build/release >build/release/tidy.out 2>&1 &
tidy=$!
build build/asan -DCMAKE_BUILD_TYPE=Debug -DM8163_SANITIZE=ON || {
    wait $tidy
    exit 1
}
took "ASan build" $t
echo "=== clang-tidy ==="
wait $tidy || status=1
cat build/release/tidy.out
took "ASan build and clang-tidy" $t

echo "=== fuzz targets ==="
t=$SECONDS
scripts/fuzz.sh || status=1
took "fuzz build and runs" $t
echo "=== ThreadSanitizer ==="
t=$SECONDS
scripts/tsan.sh || status=1
took "ThreadSanitizer build and tests" $t

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
echo "=== release build ==="
t=$SECONDS
ctest --test-dir build/release --output-on-failure -j2 || status=1
took "release suite" $t
echo "=== ASan + UBSan build ==="
t=$SECONDS
ctest --test-dir build/asan --output-on-failure -j2 || status=1
took "ASan suite" $t
echo "--- all: $((SECONDS - started)) s"
exit $status
