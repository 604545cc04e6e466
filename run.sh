#!/usr/bin/env bash
# Runs the program.
#   ./run.sh              the program in the current folder, on the serial
#                         ports that dev.dat there names (real hardware)
#   ./run.sh demo         the program against the simulated module (two modules:
#                         1 at 19200 no parity, 5 at 9600 even) in a fresh
#                         scratch folder; without a display it runs on a virtual
#                         one, reads once, reads the exchange and sensor pages,
#                         searches the line, saves the four pages as
#                         screenshots, prints their paths and ends
#   ./run.sh screenshots  the four notebook pages as docs/page0.png ... page3.png
# Installs what is missing and builds the release first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${M8163_BUILD_DIR:-$here/build/release}  # another build folder for development

. "$here/scripts/ensure-packages.sh"
m8163_ensure_packages >&2

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target m8163 sim8163 >/dev/null
app=$build/src/app/m8163
sim=$build/sim/sim8163

mode=${1:-}
if [ -z "$mode" ]; then
    exec "$app"
fi
case $mode in
    demo | screenshots) ;;
    *)
        echo "usage: $0 [demo | screenshots]" >&2
        exit 2
        ;;
esac

# A scratch working folder whose COM1 is the simulated module's line; the
# other settings files are created there with their defaults, which match
# the first simulated module (address 1, 19200 bit/s, no parity). A short
# time-out keeps the demo's search of silent numbers quick.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/m8163-demo.XXXXXX")
printf '[SETTINGS]\r\nTimeOut=50\r\n[COM_PORTS]\r\nCOM1=%s\r\n' "$scratch/ttyM8163" \
    >"$scratch/dev.dat"

sim_pid=
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
}
trap stop_sim EXIT

exec {sim_out}< <(exec "$sim" --link "$scratch/ttyM8163" --module 1 --module 5:9600:E \
    2>"$scratch/sim.err")
sim_pid=$!
if ! read -r -t 10 -u "$sim_out" ready || [ "${ready%% *}" != READY ]; then
    echo "the simulated module did not start:" >&2
    cat "$scratch/sim.err" >&2
    exit 1
fi
# Keep draining what the simulator reports (blinks), into its log.
cat <&"$sim_out" >"$scratch/sim.log" &
echo "simulated module on $scratch/ttyM8163; working folder $scratch" >&2

cd "$scratch"
# A program held up by a box nobody can see ends after a minute.
on_virtual_display() {
    xvfb-run -a -s "-screen 0 1280x1024x24" timeout 60 "$@"
}
if [ "$mode" = screenshots ]; then
    mkdir -p "$here/docs"
    M8163_SCREENSHOT="$here/docs/page{page}.png" on_virtual_display "$app"
elif [ -z "${DISPLAY:-}" ]; then
    # The scripted demo prints what it clicks, the boxes it answers and the
    # screenshots it saves.
    M8163_DEMO="$scratch/m8163-demo-page{page}.png" on_virtual_display "$app"
else
    "$app"
fi
