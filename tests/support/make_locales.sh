#!/usr/bin/env bash
# Compiles the locales the tests switch to into DIR, once per build tree, so
# that no test runs localedef itself: a locale the system has, or one DIR
# already holds, is left alone. Usage: make_locales.sh DIR NAME...
# NAME is language_TERRITORY.CHARMAP, e.g. ru_RU.UTF-8. Never fails: a locale
# that cannot be made here makes its tests skip, as on a machine without it.
set -uo pipefail
dir=$1
shift
mkdir -p "$dir" || exit 0
for name in "$@"; do
    charmap=${name#*.}
    # What the tests' first setlocale() sees: the system's locales, and
    # LOCPATH where the environment sets it. locale warns when it cannot.
    if [ -z "$(LC_ALL=$name locale 2>&1 >/dev/null)" ]; then
        echo "$name: the system has it"
    elif [ -f "$dir/$name/LC_CTYPE" ]; then
        echo "$name: already in $dir"
    else
        # Built beside and renamed, so a run cut short leaves no half locale.
        partial=$dir/.$name.partial
        rm -rf "$partial"
        # Warnings give a non-zero status with a usable locale: the file decides.
        localedef -i "${name%%.*}" -f "$charmap" "$partial" >/dev/null 2>&1
        if [ -f "$partial/LC_CTYPE" ] && mv -T "$partial" "$dir/$name"; then
            echo "$name: made in $dir"
        else
            rm -rf "$partial"
            echo "$name: cannot be made here (locale sources missing?); its tests skip"
        fi
    fi
done
exit 0
