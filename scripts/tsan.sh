#!/usr/bin/env bash
# Builds the tests of the code with a thread (the host name look-up of the
# network port, link/host_connect.cpp) with ThreadSanitizer into build/tsan
# and runs them: the look-up tests, the network port's, and m8163ctl through
# both kinds of device server. Exits non-zero on a build failure, a failed
# test or a report of ThreadSanitizer (which fails the test).
set -uo pipefail
cd "$(dirname "$0")/.."

out=build/tsan
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
mkdir -p "$out"
if ! { cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DM8163_TSAN=ON \
    -DM8163_WERROR=ON "${launcher[@]}" &&
    cmake --build "$out" -j2 --target test_link test_ctl; } >"$out/build.log" 2>&1; then
    echo "tsan: FAILED to build, see $out/build.log"
    grep -m5 'error' "$out/build.log"
    exit 1
fi
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 exitcode=66"
ctest --test-dir "$out" -R 'HostConnectTest|NetworkPortTest|DeviceServerCtlTest' \
    --output-on-failure -j2
