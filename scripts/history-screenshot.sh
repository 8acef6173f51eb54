#!/usr/bin/env bash
# Writes a PNG of the Connection History window under Xvfb with openbox: a day of 5-second checks
# made up in a private home (round trips that wander, two outages, a sleep), shown by
# `pellavane --show-history`, with the pointer over the timeline.
#   history-screenshot.sh [OUT.png] [PROGRAM]   defaults: history-screenshot.png, build/app/pellavane
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-history-screenshot.png}
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
program=${2:-$top/build/app/pellavane}

# shellcheck source=scripts/lib/desktop.sh
. "$top/scripts/lib/desktop.sh"

desktop_sandbox_setup
# The times in the picture read the same wherever it is taken.
export TZ=UTC
state="$XDG_STATE_HOME"
mkdir -p "$state"
now=$(date +%s)
awk -v now="$now" 'BEGIN {
    srand(17)
    from = now - 86400 - now % 5
    printf "time,event,status,rtt_ms,target,detail\r\n"
    printf "%s+00:00,start,,,,interval=5\r\n", strftime("%Y-%m-%dT%H:%M:%S", from)
    sleepFrom = now - 10 * 3600; sleepTo = now - 8 * 3600 - 1500
    for (t = from; t < now - 20; t += 5) {
        stamp = strftime("%Y-%m-%dT%H:%M:%S", t) "+00:00"
        if (t >= sleepFrom && t < sleepTo) {
            if (t - sleepFrom < 5) printf "%s,sleep,,,,\r\n", stamp
            continue
        }
        if (t >= sleepTo && t - sleepTo < 5) printf "%s,resume,,,,\r\n", stamp
        if ((t >= now - 18 * 3600 && t < now - 18 * 3600 + 250) || (t >= now - 3 * 3600 && t < now - 3 * 3600 + 65)) {
            printf "%s,check,disconnected,,,targets silent\r\n", stamp
            continue
        }
        rtt = 14 + 5 * sin(t / 1900) + 3 * rand() + (rand() < 0.01 ? 25 * rand() : 0)
        printf "%s,check,connected,%.1f,127.0.0.1,\r\n", stamp, rtt
    }
}' >"$state/Pellavane.journal.csv"

desktop_start_xvfb
desktop_start_openbox

sandbox_spawn program "$program" --show-history
if ! window=$(desktop_wait_window "Connection History" "$spawned"); then
    echo "The history window did not come up:" >&2
    cat "$sandbox/program.err" >&2
    exit 1
fi
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
sleep 2
xdotool mousemove --window "$window" 760 170
sleep 1
timeout 20 import -frame -window "$window" "$out"
desktop_check_picture "$out"
