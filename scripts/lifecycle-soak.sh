#!/usr/bin/env bash
# Soak run of the window's random interleavings: runs seeds FIRST,
# FIRST+1, ... in chunks of 200 until COUNT seeds have run (0: until
# stopped), and prints the first seed that breaks a promise; that seed
# replays exactly with M8163_LIFECYCLE_SEED=N.
#
#   scripts/lifecycle-soak.sh [COUNT] [FIRST] [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/.."
count=${1:-2000}
first=${2:-1000}
build=${3:-build/release}
program=$build/tests/test_ui
[ -x "$program" ] || { echo "no $program: build the release first (./test.sh or cmake --build $build --target test_ui)" >&2; exit 2; }
chunk=200
seed=$first
while [ "$count" -eq 0 ] || [ "$seed" -lt $((first + count)) ]; do
    n=$chunk
    [ "$count" -ne 0 ] && [ $((seed + n)) -gt $((first + count)) ] && n=$((first + count - seed))
    if ! out=$(QT_QPA_PLATFORM=offscreen M8163_LIFECYCLE_SEEDS=$n M8163_LIFECYCLE_SEED_FIRST=$seed \
        "$program" --gtest_filter='LifecycleRandom.*' 2>&1); then
        printf '%s\n' "$out" | grep -A20 'seed [0-9]* (M8163_LIFECYCLE_SEED' || printf '%s\n' "$out" | tail -30
        exit 1
    fi
    seed=$((seed + n))
    echo "seeds $first to $((seed - 1)): every promise kept"
done
