#!/usr/bin/env bash
# Checks the layer rule of src/: a folder includes only its own headers and
# those of the folders below it; inside ui/, a page's folder includes only
# itself and the shared shell/ (the measured-value page also its trend strip),
# shell/ no other ui/ folder, and window/ all of them. Prints each include that breaks the rule and exits 1 when there is one.
# Usage: check-layers.sh [SRC_DIR]
#
# The whole tree goes through one grep and one awk: no process per file or
# per include, so the check takes a fraction of a second.
set -uo pipefail
src=${1:-$(dirname "$0")/../src}
src=${src%/}
self=$(basename "$0")
[ -d "$src" ] || { echo "$src: no such folder"; exit 1; }

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

# Inside ui/: what each folder may include of ui/ besides itself. "*" is every
# ui/ folder. Files directly in ui/, and includes of them, are not bound.
declare -A ui_allowed=(
    [shell]=""
    [bar]="shell"
    [measure]="shell trend"  # the trend strip lies on the measured-value page
    [sensor]="shell"
    [exchange]="shell"
    [search]="shell"
    [trend]="shell"
    [monitor]="shell"
    [window]="*"
)

table() {  # name of an associative array -> "key=value;key=value;..."
    local -n map=$1
    local key out=""
    for key in "${!map[@]}"; do out+="$key=${map[$key]};"; done
    printf '%s' "$out"
}

# Input: first the folders ("D<TAB>folder" and "D<TAB>ui/sub"), then grep's
# "path:line:text" for every include that names a folder.
{
    find "$src" -mindepth 1 -maxdepth 1 -type d -printf 'D\t%f\n' | sort
    [ -d "$src/ui" ] && find "$src/ui" -mindepth 1 -maxdepth 1 -type d -printf 'D\tui/%f\n' | sort
    grep -rn --include='*.h' --include='*.cpp' -E '^\s*#\s*include\s+"[^/"]+/' "$src" |
        sort -t: -k1,1 -k2,2n
} | awk -v src="$src/" -v self="$self" -v top="$(table allowed)" -v ui="$(table ui_allowed)" '
function load(text, map,    n, i, pair, eq) {
    n = split(text, pair, ";")
    for (i = 1; i <= n; i++) {
        if (pair[i] == "") continue
        eq = index(pair[i], "=")
        map[substr(pair[i], 1, eq - 1)] = " " substr(pair[i], eq + 1) " "
    }
}
BEGIN { load(top, allowedTop); load(ui, allowedUi); status = 0 }
/^D\t/ {
    folder = substr($0, 3)
    known = (folder ~ /^ui\//) ? (substr(folder, 4) in allowedUi) : (folder in allowedTop)
    if (!known) {
        print folder "/: a folder the layer rule does not know; add it to " self
        unknown[folder] = 1
        status = 1
    }
    next
}
{
    # path:line:text, the text itself may hold colons
    c1 = index($0, ":"); path = substr($0, 1, c1 - 1); rest = substr($0, c1 + 1)
    c2 = index(rest, ":"); line = substr(rest, 1, c2 - 1); text = substr(rest, c2 + 1)
    rel = substr(path, length(src) + 1)
    n = split(rel, part, "/")
    folder = part[1]
    if (folder in unknown) next
    if (!match(text, /"[^"\/]+\//)) next
    target = substr(text, RSTART + 1, RLENGTH - 2)
    if (target != folder && index(allowedTop[folder], " " target " ") == 0) {
        print rel ":" line ": " folder "/ includes " target "/: " text
        status = 1
        next
    }
    # Inside ui/: only a file in a ui/ folder including a ui/ folder is bound.
    if (folder != "ui" || target != "ui" || n < 3) next
    sub_ = part[2]
    if (("ui/" sub_) in unknown) next
    if (!match(text, /"ui\/[^"\/]+\//)) next
    into = substr(text, RSTART + 4, RLENGTH - 5)
    if (into == sub_ || allowedUi[sub_] == " * " || index(allowedUi[sub_], " " into " ") > 0) next
    print rel ":" line ": ui/" sub_ "/ includes ui/" into "/: " text
    status = 1
}
END {
    if (status == 0) print "layer rule holds"
    exit status
}'
