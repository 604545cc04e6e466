#!/usr/bin/env bash
# Runs the figures of start-up, idle and polling in one go, one after the
# other so that they do not disturb each other: start-up to first paint
# (median of 15, offscreen and Xvfb) with peak RSS, idle wake-ups and CPU over
# 60 s on Xvfb, polling CPU over 60 s on Xvfb. Each prints the load average.
# Usage: bench/all.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
build=${1:-$(dirname "$0")/../build/release}
"$build/bench/startup_bench" 15
"$build/bench/idle_bench" 60
"$build/bench/polling_bench" 60 --xvfb
