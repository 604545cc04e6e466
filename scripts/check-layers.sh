#!/usr/bin/env bash
# Checks the layer rule of src/: a folder includes only its own headers and
# those of the folders below it. Prints each include that breaks the rule and
# exits 1 when there is one. Usage: check-layers.sh [SRC_DIR]
set -uo pipefail
src=${1:-$(dirname "$0")/../src}

# What each folder may include besides itself, lowest layer first.
declare -A allowed=(
    [base]=""
    [link]="base"
    [protocol]="base link"
    [module]="base link protocol"
    [measure]="base link protocol module"
    [search]="base link protocol module"
    [config]="base link protocol module measure search"
    [ui]="base link protocol module measure search config"
    [app]="base link protocol module measure search config ui"
    [plot]="base link protocol module measure ui"
    [ctl]="base link protocol module measure search config"
)

status=0
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    if [ -z "${allowed[$folder]+set}" ]; then
        echo "$folder/: a folder the layer rule does not know; add it to $(basename "$0")"
        status=1
        continue
    fi
    while IFS=: read -r file line text; do
        target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$text")
        [ "$target" = "$folder" ] && continue
        case " ${allowed[$folder]} " in
            *" $target "*) ;;
            *)
                echo "${file#"$src"/}:$line: $folder/ includes $target/: $text"
                status=1
                ;;
        esac
    done < <(grep -rn --include='*.h' --include='*.cpp' -E '^\s*#\s*include\s+"[^/"]+/' "$dir")
done
[ $status -eq 0 ] && echo "layer rule holds"
exit $status
