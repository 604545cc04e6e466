#!/usr/bin/env bash
# The layer check itself: quiet on a tree that keeps the rule, and it names an
# upward include and an unknown folder in a copy of src/ that breaks it.
set -uo pipefail
check=$1
src=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$check" "$src" >/dev/null || { echo "FAIL: the tree as it is breaks the rule"; exit 1; }

cp -r "$src" "$scratch/src"
echo '#include "ui/window/main_window.h"' >>"$scratch/src/link/serial_port.h"
echo '#include "search/search_settings.h"' >>"$scratch/src/measure/polling.h"
mkdir "$scratch/src/extra"
out=$("$check" "$scratch/src") && { echo "FAIL: broken tree passed"; exit 1; }
for expected in "link/serial_port.h" "measure/ includes search/" "extra/"; do
    grep -qF "$expected" <<<"$out" || { echo "FAIL: '$expected' not reported in:"; echo "$out"; exit 1; }
done
