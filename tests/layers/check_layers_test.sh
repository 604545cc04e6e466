#!/usr/bin/env bash
# The layer check itself: quiet on a tree that keeps the rule, and it names an
# upward include, a ui/ folder reaching into a page, and unknown folders in a
# copy of src/ that breaks it, while the includes the rule allows stay unnamed.
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
# ui/ by page: shared shell/, a page, the window over them, a stray folder.
ui=$scratch/src/ui
mkdir -p "$ui/shell" "$ui/measure" "$ui/window" "$ui/stray"
echo '#include "ui/measure/layer_probe.h"' >"$ui/shell/layer_probe.h"
echo '#include "ui/shell/layer_probe.h"' >"$ui/measure/layer_probe.h"
printf '#include "ui/shell/layer_probe.h"\n#include "ui/measure/layer_probe.h"\n' >"$ui/window/layer_probe.cpp"
out=$("$check" "$scratch/src") && { echo "FAIL: broken tree passed"; exit 1; }
for expected in "link/serial_port.h" "measure/ includes search/" "extra/" \
    "ui/shell/layer_probe.h:1: ui/shell/ includes ui/measure/" "ui/stray/"; do
    grep -qF "$expected" <<<"$out" || { echo "FAIL: '$expected' not reported in:"; echo "$out"; exit 1; }
done
for allowed in "ui/measure/layer_probe.h" "ui/window/layer_probe.cpp"; do
    grep -qF "$allowed:" <<<"$out" && { echo "FAIL: an allowed include of '$allowed' reported in:"; echo "$out"; exit 1; }
done
exit 0
