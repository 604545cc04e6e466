#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over every source file of
# src/ (and the headers of src/ they include), with the flags of a build's
# compile database:
#   scripts/tidy.sh [BUILD_DIR] [FILE...]    default build/release, all of src/
# Prints each finding as "file:line:col: error: ... [check]" and exits 1 when
# there is one. Two files at a time: about 3.6 s of processor time a file
# (parsing the Qt headers is most of it), some 6 min of processor time for
# all of src/.
set -uo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
shift $(($# > 0 ? 1 : 0))
tidy=$(command -v clang-tidy || command -v clang-tidy-14) || {
    echo "tidy: clang-tidy not found (scripts/ensure-packages.sh installs it)"
    exit 1
}
[ -f "$build/compile_commands.json" ] || {
    echo "tidy: no $build/compile_commands.json; configure that build first"
    exit 1
}
if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -d '' files < <(find "$PWD/src" -name '*.cpp' -print0 | sort -z)
fi
log=$build/tidy.log
started=$SECONDS
# -j2: the machine's two cores; --quiet drops the counts of suppressed notes.
printf '%s\0' "${files[@]}" |
    xargs -0 -n 4 -P 2 "$tidy" -p "$build" --quiet >"$log" 2>&1
findings=$(grep -cE '^[^ ]+:[0-9]+:[0-9]+: (error|warning):' "$log")
if [ "$findings" -ne 0 ]; then
    grep -E -A3 '^[^ ]+:[0-9]+:[0-9]+: (error|warning):' "$log"
    echo "tidy: $findings findings in ${#files[@]} files ($((SECONDS - started)) s), see $log"
    exit 1
fi
echo "tidy: ${#files[@]} files, no finding ($((SECONDS - started)) s)"
