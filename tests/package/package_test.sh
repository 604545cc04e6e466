#!/usr/bin/env bash
# Packages this build as the Debian package, checks what it holds and says
# about itself, unpacks it into a scratch root and starts the unpacked
# program there, directly and through the menu entry's launcher.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2

if ! command -v dpkg-deb >/dev/null; then
    echo "SKIPPED: dpkg-deb is missing, so no Debian package can be built here"
    exit 77
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/m8163-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# --- the package --------------------------------------------------------
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    echo "FAIL: cpack could not build the package"
    exit 1
fi
arch=$(dpkg --print-architecture)
deb=$scratch/out/m8163_${version}_${arch}.deb
[ -f "$deb" ] || { ls "$scratch/out"; echo "FAIL: no $deb"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = m8163 ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
# Depends as dpkg-shlibdeps writes it, with the least versions the binaries
# need, plus what the program loads at run time.
depends=$(field Depends)
for needed in 'libc6 (>= ' 'libstdc++6 (>= ' 'libqt6core6 (>= ' 'libqt6gui6 (>= ' \
    'libqt6widgets6 (>= ' 'libqcustomplot2.1-qt6' 'qt6-translations-l10n'; do
    case $depends in
    *"$needed"*) ;;
    *) fail "Depends lacks '$needed': $depends" ;;
    esac
done
# Debian's own check of the package: no error and no warning tag (info and
# pedantic tags are hints, not faults).
if command -v lintian >/dev/null; then
    lintian_out=$(lintian "$deb" 2>&1) || true
    if grep -E '^[EW]: ' <<<"$lintian_out"; then
        fail "lintian reports the errors or warnings above"
    fi
else
    fail "lintian is missing (scripts/ensure-packages.sh installs it)"
fi
[ -z "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -Ev '^\./(control|md5sums)?$')" ] ||
    fail "maintainer scripts in the package: $(dpkg-deb --ctrl-tarfile "$deb" | tar -t)"

# Exactly these files (no udev rule, no test programs, no libraries but the
# trend plot's module in the package's own folder), each owned by root with
# the permissions it needs; folders 0755.
expected='-rwxr-xr-x ./usr/bin/m8163
-rwxr-xr-x ./usr/bin/m8163ctl
-rwxr-xr-x ./usr/bin/sim8163
-rw-r--r-- ./usr/lib/m8163/plot/libm8163_trend_plot.so
-rwxr-xr-x ./usr/libexec/m8163/m8163-launch
-rw-r--r-- ./usr/share/applications/org.m8163.configurator.desktop
-rw-r--r-- ./usr/share/bash-completion/completions/m8163ctl
-rw-r--r-- ./usr/share/doc/m8163/changelog.gz
-rw-r--r-- ./usr/share/doc/m8163/copyright
-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/m8163.svg
-rw-r--r-- ./usr/share/man/man1/m8163.1.gz
-rw-r--r-- ./usr/share/man/man1/m8163ctl.1.gz
-rw-r--r-- ./usr/share/man/man1/sim8163.1.gz
-rw-r--r-- ./usr/share/metainfo/org.m8163.configurator.metainfo.xml'
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ {print $1, $6}' <<<"$listing" | sort -k2)
if [ "$files" != "$expected" ]; then
    fail "the package's files differ from the expected list:"
    diff <(echo "$expected") <(echo "$files") || true
fi
awk '$2 != "root/root" || ($1 ~ /^d/ && $1 != "drwxr-xr-x")' <<<"$listing" | grep . &&
    fail "entries above are not root-owned or not 0755 folders"

# --- unpacked ------------------------------------------------------------
root=$scratch/root
dpkg-deb -x "$deb" "$root"

entry=$root/usr/share/applications/org.m8163.configurator.desktop
# The completion loads and offers the subcommands and a parity's values.
if [ -r /usr/share/bash-completion/bash_completion ]; then
    completion=$(bash -c '
        . /usr/share/bash-completion/bash_completion
        . "$1"
        COMP_WORDS=(m8163ctl ""); COMP_CWORD=1; _m8163ctl m8163ctl "" m8163ctl; echo "${COMPREPLY[*]}"
        COMP_WORDS=(m8163ctl --parity ""); COMP_CWORD=2; _m8163ctl m8163ctl "" --parity; echo "${COMPREPLY[*]}"
    ' _ "$root/usr/share/bash-completion/completions/m8163ctl" 2>&1)
    grep -q 'read poll identity sensor exchange blink scan' <<<"$completion" &&
        grep -qx 'none odd even' <<<"$completion" ||
        fail "the bash completion of m8163ctl does not complete: $completion"
fi
desktop-file-validate "$entry" || fail "desktop-file-validate refuses the menu entry"
if ! out=$(appstreamcli validate --no-net "$root/usr/share/metainfo/org.m8163.configurator.metainfo.xml"); then
    echo "$out"
    fail "appstreamcli refuses the AppStream metadata"
fi
exec_line=$(grep '^Exec=' "$entry")
[ "$exec_line" = "Exec=/usr/libexec/m8163/m8163-launch" ] || fail "menu entry starts '$exec_line'"
grep -q '^Name\[ru\]=Конфигуратор 8163$' "$entry" || fail "no Russian name in the menu entry"
grep -q '^Categories=.*Engineering;' "$entry" || fail "menu entry is not in Engineering"
grep -q '^Icon=m8163$' "$entry" || fail "menu entry names another icon"

# One application id: the desktop file's name, the AppStream component and
# its launchable, and the program's own desktop file name (its Wayland app
# id); the X11 class the program sets is the entry's StartupWMClass.
metainfo=$root/usr/share/metainfo/org.m8163.configurator.metainfo.xml
app_id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$(basename "$entry" .desktop)" = "$app_id" ] || fail "desktop file $(basename "$entry") is not $app_id.desktop"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metadata launches another desktop id"
grep -qaF "$app_id" "$root/usr/bin/m8163" || fail "m8163 does not carry the application id $app_id"
grep -q '^StartupWMClass=8163$' "$entry" || fail "the menu entry names no StartupWMClass"
for binary in m8163 m8163ctl sim8163; do
    grep -q "<binary>$binary</binary>" "$metainfo" || fail "the metadata does not provide $binary"
done
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" ||
    fail "the metadata has no release $version"
gzip -dc "$root/usr/share/man/man1/m8163.1.gz" | sed -n '/^\.SH SEE ALSO/,$p' | grep -q '^\.BR m8163ctl (1)' ||
    fail "m8163(1) does not point to m8163ctl(1)"
# What a user meets first is named where the package describes itself.
manual=$(gzip -dc "$root/usr/share/man/man1/m8163.1.gz")
changes=$(gzip -dc "$root/usr/share/doc/m8163/changelog.gz")
for word in 'port chooser' 'state line' 'exchange monitor' m8163ctl; do
    field Description | grep -qi "$word" || fail "the Description does not mention $word"
    grep -qi "$word" <<<"$changes" || fail "the changelog does not mention $word"
done
for word in 'Выбрать порт' 'state line' 'Монитор обмена' '^\.B \\-\\-version'; do
    grep -q "$word" <<<"$manual" || fail "m8163(1) does not mention $word"
done
# Hardened programs: read-only relocations resolved at start, fortified calls.
for program in m8163 m8163ctl sim8163; do
    readelf -lW "$root/usr/bin/$program" | grep -q GNU_RELRO || fail "$program lacks relro"
    readelf -dW "$root/usr/bin/$program" | grep -Eq 'BIND_NOW|FLAGS.*NOW' || fail "$program lacks bindnow"
done

for page in m8163 m8163ctl sim8163; do
    gzip -dc "$root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} 1 .*$version" ||
        fail "manual page $page(1) has no title line for version $version"
done

# A package built on this machine must not look for libraries in the build tree.
for program in m8163 m8163ctl sim8163; do
    if readelf -d "$root/usr/bin/$program" | grep -E 'R(UN)?PATH'; then
        fail "$program keeps a library search path"
    fi
done
"$root/usr/bin/sim8163" --help | grep -q '^Usage: sim8163' || fail "unpacked sim8163 --help"
# The plot library comes with the trend plot's module, at the first reading.
if readelf -d "$root/usr/bin/m8163" | grep -i 'NEEDED.*customplot'; then
    fail "m8163 loads the plot library at start"
fi

# The unpacked simulated module, for the unpacked program to find a port:
# without one the program stops at its error box.
link=$scratch/ttyM8163
exec {sim_out}< <(exec "$root/usr/bin/sim8163" --link "$link" 2>"$scratch/sim.err")
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; wait $sim_pid 2>/dev/null; rm -rf "$scratch"' EXIT
if ! read -r -t 10 -u "$sim_out" ready || [ "$ready" != "READY $link" ]; then
    cat "$scratch/sim.err"
    echo "FAIL: the unpacked sim8163 did not start"
    exit 1
fi
com1() { mkdir -p "$1" && printf '[COM_PORTS]\r\nCOM1=%s\r\n' "$link" >"$1/dev.dat"; }

# Started offscreen in a scratch working folder, the unpacked program shows
# its window (saved as a screenshot) and writes its settings files there.
is_png() { [ "$(head -c 8 "$1" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; }
settings_in() {  # folder, what: all three settings files are in the folder
    local file
    for file in dev.dat recent.prf konstr_type.prf; do
        [ -f "$1/$file" ] || fail "$2: no $file in $1"
    done
}
work=$scratch/work
com1 "$work"
(cd "$work" && QT_QPA_PLATFORM=offscreen M8163_SCREENSHOT="$work/window.png" \
    timeout 60 "$root/usr/bin/m8163") || fail "the unpacked m8163 ended with status $?"
is_png "$work/window.png" || fail "the unpacked m8163 saved no screenshot"
settings_in "$work" "the unpacked m8163"

# The scripted demonstration reads once, which makes the trend strip's plot:
# the unpacked program finds its module in the unpacked library folder.
demo=$scratch/demo
mkdir "$demo"
printf '[SETTINGS]\r\nTimeOut=50\r\n[COM_PORTS]\r\nCOM1=%s\r\n' "$link" >"$demo/dev.dat"
(cd "$demo" && QT_QPA_PLATFORM=offscreen M8163_DEMO="$demo/page{page}.png" \
    timeout 120 "$root/usr/bin/m8163" >"$demo/out.txt" 2>"$demo/err.txt") ||
    fail "the unpacked m8163's demonstration ended with status $?"
grep -q '^box: Результат операции: Прочитано измеренное значение\.$' "$demo/out.txt" ||
    fail "the unpacked m8163's demonstration did not read: $(cat "$demo/out.txt")"
if grep 'trend plot' "$demo/err.txt"; then
    fail "the unpacked m8163 did not load its trend plot"
fi
is_png "$demo/page0.png" || fail "the unpacked m8163's demonstration saved no first page"

# --- the launcher ----------------------------------------------------------
launcher=$root/usr/libexec/m8163/m8163-launch
stub=$scratch/stand-in
printf '#!/bin/sh\npwd -P >"$0.ran"\n' >"$stub"
chmod +x "$stub"
# Each case: XDG_CONFIG_HOME ('-' for unset), the folder the program must be
# started in, a name. A relative XDG_CONFIG_HOME is not valid: ~/.config.
for case in "$scratch/xdg $scratch/xdg/m8163 set" \
    "- $scratch/home-unset/.config/m8163 unset" \
    "relative/config $scratch/home-relative/.config/m8163 relative"; do
    read -r xdg folder name <<<"$case"
    rm -f "$stub.ran"
    (
        mkdir -p "$scratch/home-$name"
        export HOME=$scratch/home-$name M8163_PROGRAM=$stub
        if [ "$xdg" = - ]; then unset XDG_CONFIG_HOME; else export XDG_CONFIG_HOME=$xdg; fi
        cd "$scratch" && "$launcher"
    ) || fail "launcher case $name ended with status $?"
    [ "$(stat -c %a "$folder" 2>/dev/null)" = 700 ] || fail "launcher case $name: $folder missing or not private"
    [ "$(cat "$stub.ran" 2>/dev/null)" = "$folder" ] || fail "launcher case $name: program not started in $folder"
done

# The real program through the launcher: its settings land in the folder,
# not in the folder it was started from.
start=$scratch/start
mkdir "$start"
com1 "$scratch/xdg-real/m8163"
(cd "$start" && XDG_CONFIG_HOME=$scratch/xdg-real QT_QPA_PLATFORM=offscreen \
    M8163_SCREENSHOT="$start/window.png" timeout 60 "$launcher") ||
    fail "m8163 through the launcher ended with status $?"
is_png "$start/window.png" || fail "m8163 through the launcher saved no screenshot"
settings_in "$scratch/xdg-real/m8163" "m8163 through the launcher"
[ -z "$(find "$start" -name '*.dat' -o -name '*.prf')" ] || fail "settings files in the start folder"

# A folder that cannot be made is reported, and the program is not started.
touch "$scratch/file"
rm -f "$stub.ran"
if out=$(XDG_CONFIG_HOME=$scratch/file M8163_PROGRAM=$stub "$launcher" 2>&1); then
    fail "launcher succeeded without a settings folder"
fi
grep -q "cannot make the settings folder $scratch/file/m8163" <<<"$out" || fail "launcher's error: $out"
[ ! -e "$stub.ran" ] || fail "launcher started the program without a settings folder"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package $(basename "$deb") checked"
