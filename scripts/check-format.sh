#!/usr/bin/env bash
# Checks C++ files against .clang-format without changing them:
#   scripts/check-format.sh           every .cpp and .h of src, sim, tests, bench
#   scripts/check-format.sh FILE...   those files
# Prints clang-format's own "file:line:col" for each place that differs and
# exits 1 when there is one; `clang-format -i FILE` mends a file.
set -uo pipefail
cd "$(dirname "$0")/.."

format=$(command -v clang-format || command -v clang-format-14) || {
    echo "format: clang-format not found (scripts/ensure-packages.sh installs it)"
    exit 1
}
if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -d '' files < <(find src sim tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
fi
report=$(printf '%s\0' "${files[@]}" | xargs -0 "$format" --dry-run --Werror 2>&1)
if [ -n "$report" ]; then
    echo "$report"
    differing=$(grep -oE '^[^:]+:[0-9]+:[0-9]+: error' <<<"$report" | cut -d: -f1 | sort -u)
    echo "format: $(wc -l <<<"$differing") of ${#files[@]} files differ from .clang-format:" \
        "clang-format -i" $differing
    exit 1
fi
echo "format: ${#files[@]} files as .clang-format says"
