#!/usr/bin/env bash
# The program on a real X server as a desktop shows it: readable under a dark
# desktop palette, and tied to its menu entry by its X11 class and icon.
#   desktop_test.sh PROGRAM SIMULATOR
# The dark palette comes from Qt's KDE desktop integration, which reads the
# colours of kdeglobals, as on a desktop set to Breeze Dark.
set -euo pipefail
program=$1
sim=$2

for tool in xvfb-run xwininfo xprop pngtopnm pamcut; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is missing (scripts/ensure-packages.sh installs it)"
        exit 77
    fi
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/m8163-desktop.XXXXXX")
exec {sim_out}< <(exec "$sim" --link "$scratch/tty" 2>"$scratch/sim.err")
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; wait $sim_pid 2>/dev/null; rm -rf "$scratch"' EXIT
if ! read -r -t 10 -u "$sim_out" ready || [ "${ready%% *}" != READY ]; then
    cat "$scratch/sim.err"
    echo "FAIL: the simulated module did not start"
    exit 1
fi
printf '[COM_PORTS]\r\nCOM1=%s\r\n' "$scratch/tty" >"$scratch/dev.dat"
mkdir "$scratch/dark"
cat >"$scratch/dark/kdeglobals" <<'COLOURS'
[Colors:Window]
BackgroundNormal=42,46,50
ForegroundNormal=252,252,252
[Colors:View]
BackgroundNormal=35,38,41
ForegroundNormal=252,252,252
[Colors:Button]
BackgroundNormal=49,54,59
ForegroundNormal=252,252,252
COLOURS

cat >"$scratch/on-display.sh" <<'SCRIPT'
set -u
cd "$1"
export XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5 XDG_CONFIG_HOME=$1/dark
# The window as first painted, saved by the program itself.
M8163_SCREENSHOT=$1/window.png timeout 60 "$2" >"$1/out.txt" 2>&1
echo "screenshot $?" >"$1/status"
# The running window's class and icon, as a dock reads them.
timeout 60 "$2" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do
    id=$(xwininfo -root -tree | awk '/\("m8163" "8163"\)/ {print $1; exit}')
    [ -n "$id" ] && break
    sleep 0.1
done
if [ -n "$id" ]; then
    xprop -id "$id" WM_CLASS _NET_WM_ICON | head -c 2000 >"$1/properties"
fi
kill "$pid"
wait "$pid" 2>/dev/null
exit 0
SCRIPT
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$scratch/on-display.sh" "$scratch" "$program" ||
    fail "the virtual display ended with status $?"

# The window's own background at its bottom left corner (below the notebook)
# and a page label's text pixels: the light palette, whatever the desktop's.
pixel() {  # x y: "r g b" of window.png
    pngtopnm "$scratch/window.png" | pamcut -left "$1" -top "$2" -width 1 -height 1 |
        pamtopnm -plain 2>/dev/null | tail -n +4 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
}
if [ "$(cat "$scratch/status" 2>/dev/null)" != "screenshot 0" ]; then
    cat "$scratch/out.txt" 2>/dev/null
    fail "no screenshot under the dark palette"
else
    background=$(pixel 4 700)
    read -r r g b <<<"$background"
    [ "$r" -ge 180 ] && [ "$g" -ge 180 ] && [ "$b" -ge 180 ] ||
        fail "the window's background under a dark desktop palette is $background, not light"
fi
grep -q 'WM_CLASS(STRING) = "m8163", "8163"' "$scratch/properties" 2>/dev/null ||
    fail "window class: $(cat "$scratch/properties" 2>/dev/null | head -2)"
grep -q '_NET_WM_ICON(CARDINAL) = ' "$scratch/properties" 2>/dev/null || fail "the window has no icon"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "desktop checks passed"
