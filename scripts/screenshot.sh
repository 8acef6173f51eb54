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
trap desktop_cleanup EXIT
trap 'exit 130' INT TERM

desktop_sandbox_setup
desktop_start_xvfb
desktop_start_openbox
desktop_start_trayer

"$program" 2>"$desktop_sandbox/program.err" &
program_pid=$!
desktop_pids+=("$program_pid")

window=
for _ in $(seq 200); do
    window=$(timeout 5 xdotool search --onlyvisible --name '^Pellavane$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "The window did not come up:" >&2
    cat "$desktop_sandbox/program.err" >&2
    exit 1
fi
sleep "${PELLAVANE_SHOT_WAIT:-11}"
if [ "${PELLAVANE_SHOT_SCREEN:-0}" = 1 ]; then
    timeout 20 import -window root "$out"
else
    timeout 20 import -frame -window "$window" "$out"
fi

# An all-black picture means nothing was drawn: say so rather than hand it on.
mean=$(identify -format '%[fx:int(mean*1000)]' "$out")
if [ "$mean" -lt 20 ]; then
    echo "The picture $out is black: nothing was drawn on the display." >&2
    exit 1
fi
echo "wrote $out"
