#!/usr/bin/env bash
# Writes a PNG of the first page of `pellavane --report` as headless chromium shows it: three days of
# 5-second checks made up in a private home (outages of three causes, a night asleep, a degraded
# afternoon), the browser with no network and no name resolved.
#   report-screenshot.sh [OUT.png] [PROGRAM]   defaults: report-screenshot.png, build/app/pellavane
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-report-screenshot.png}
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
program=${2:-$top/build/app/pellavane}

# shellcheck source=scripts/lib/testlib.sh
. "$top/scripts/lib/testlib.sh"
sandbox_start pellavane-report-shot
# The times in the picture read the same wherever it is taken.
export LC_ALL=C TZ=UTC0 PELLAVANE_PROBE_HOSTS=192.0.2.1,198.51.100.7
unset DISPLAY WAYLAND_DISPLAY

python3 "$top/app/tests/report_history.py" write 'start 2026-12-06T07:30:00
up 2026-12-06T09:12:00
down 2026-12-06T09:26:00 provider
up 2026-12-06T14:03:00
down 2026-12-06T14:05:00 local network
up 2026-12-06T23:40:00
sleep 2026-12-07T07:10:00
up 2026-12-07T13:00:00
degraded 2026-12-07T16:30:00
up 2026-12-07T19:44:00
down 2026-12-07T20:31:00 provider
up 2026-12-08T11:20:00
down 2026-12-08T11:21:30 no network
up 2026-12-08T18:00:00' "$sandbox/net.txt"
"$program" --report "$sandbox/report.html" --log "$sandbox/net.txt" >/dev/null

isolate=()
if [ "$(id -u)" = 0 ] && unshare -n true 2>/dev/null; then
    isolate=(unshare -n)
fi
"${isolate[@]}" timeout 60 chromium --headless --no-sandbox --disable-gpu --user-data-dir="$sandbox/profile" \
    --no-first-run --disable-background-networking --disable-component-update --disable-sync \
    --disable-extensions --host-resolver-rules='MAP * ~NOTFOUND' --hide-scrollbars \
    --window-size=900,1270 --screenshot="$out" "file://$sandbox/report.html" >/dev/null 2>&1
echo "wrote $out"
