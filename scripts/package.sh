#!/usr/bin/env bash
# Builds the release and makes the Debian package from it; prints the
# package's path. Install it with `sudo apt install ./m8163_*.deb`.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${M8163_BUILD_DIR:-$here/build/release}
out=$build/deb

. "$here/scripts/ensure-packages.sh"
m8163_ensure_packages >&2

# Always the plain release: a sanitizer build must never end up in a package.
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DM8163_SANITIZE=OFF >/dev/null
# Only what the package holds: the tests and benchmarks are left unbuilt.
cmake --build "$build" -j2 --target package_contents >&2
rm -f "$out"/m8163_*.deb
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >&2
ls "$out"/m8163_*.deb
