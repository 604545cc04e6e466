#!/usr/bin/env bash
# Installs what is missing, builds a release and an ASan + UBSan build, and
# runs the whole test suite in both. Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"
. scripts/ensure-packages.sh
m8163_ensure_packages || exit 1

status=0
build() {  # dir, extra cmake args...
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null &&
        cmake --build "$dir" -j2
}

build build/release -DCMAKE_BUILD_TYPE=Release || exit 1
build build/asan -DCMAKE_BUILD_TYPE=Debug -DM8163_SANITIZE=ON || exit 1

if [ -x scripts/fuzz.sh ]; then
    scripts/fuzz.sh || status=1
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
echo "=== release build ==="
ctest --test-dir build/release --output-on-failure -j2 || status=1
echo "=== ASan + UBSan build ==="
ctest --test-dir build/asan --output-on-failure -j2 || status=1
exit $status
