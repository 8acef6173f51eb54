#!/usr/bin/env bash
# Starts the real window under Xvfb with openbox and a tray panel, a fake ping and a private home,
# and writes a PNG of the window with its frame so a person can look at it.
#   screenshot.sh [OUT.png] [PROGRAM]   defaults: pellavane-screenshot.png, build/app/pellavane
#   PELLAVANE_SHOT_WAIT=SECONDS         how long the program logs before the shot (default 11)
#   PELLAVANE_SHOT_SCREEN=1             the whole screen instead of the window
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-pellavane-screenshot.png}
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
program=${2:-$top/build/app/pellavane}
if [ ! -x "$program" ]; then
    cmake -S "$top" -B "$top/build-shot" -G Ninja -DPELLAVANE_BENCHMARKS=OFF >/dev/null
    cmake --build "$top/build-shot" --target pellavane -j 2
    program=$top/build-shot/app/pellavane
fi

# shellcheck source=scripts/lib/desktop.sh
. "$top/scripts/lib/desktop.sh"

desktop_sandbox_setup
desktop_start

sandbox_spawn program "$program"
if ! window=$(desktop_wait_window Pellavane "$spawned"); then
    echo "The window did not come up:" >&2
    cat "$sandbox/program.err" >&2
    exit 1
fi
sleep "${PELLAVANE_SHOT_WAIT:-11}"
if [ "${PELLAVANE_SHOT_SCREEN:-0}" = 1 ]; then
    timeout 20 import -window root "$out"
else
    timeout 20 import -frame -window "$window" "$out"
fi
desktop_check_picture "$out"
