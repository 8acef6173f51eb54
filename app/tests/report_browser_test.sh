#!/usr/bin/env bash
# The report as a real browser shows it: Debian's headless chromium prints the page to PDF, with no
# network (a namespace of its own when it can have one, and no name resolved in any case), and
# pdftotext must find the summary's words in it; the browser's record of its requests must hold none
# made by the page. Skipped without chromium and pdftotext.
#   report_browser_test.sh PROGRAM
set -euo pipefail
program=$1
here=$(dirname "$0")
for tool in chromium pdftotext python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (packages chromium, poppler-utils)"
        exit 77
    fi
done
# shellcheck source=scripts/lib/testlib.sh
. "$here/../../scripts/lib/testlib.sh"
sandbox_start pellavane-report-browser
export LC_ALL=C TZ=Europe/Helsinki PELLAVANE_PROBE_HOST=127.0.0.1
unset DISPLAY WAYLAND_DISPLAY

python3 "$here/report_history.py" write 'start 2026-12-08T22:00:00
up 2026-12-08T23:58:00
down 2026-12-09T00:03:00 provider
up 2026-12-09T06:00:00
down 2026-12-09T06:02:00 local network
up 2026-12-09T08:00:00' "$sandbox/log.txt"
"$program" --report "$sandbox/report.html" --log "$sandbox/log.txt" >/dev/null || fatal "--report failed"

isolate=()
if [ "$(id -u)" = 0 ] && unshare -n true 2>/dev/null; then
    isolate=(unshare -n)
fi
# The browser's own services (updates, its clock) are switched off where a switch exists; what is
# left of them is asked with no page as its initiator, and resolves no name.
"${isolate[@]}" timeout 60 chromium --headless --no-sandbox --disable-gpu --user-data-dir="$sandbox/profile" \
    --no-first-run --disable-background-networking --disable-component-update --disable-sync \
    --disable-extensions --host-resolver-rules='MAP * ~NOTFOUND' --log-net-log="$sandbox/net.json" \
    --no-pdf-header-footer --print-to-pdf="$sandbox/report.pdf" "file://$sandbox/report.html" \
    >"$sandbox/chromium.out" 2>"$sandbox/chromium.err" || fatal "chromium failed"
[ -s "$sandbox/report.pdf" ] || fatal "chromium printed nothing"
pdftotext -layout "$sandbox/report.pdf" "$sandbox/report.txt"

for words in "Internet connection report" "Summary" "Uptime" \
    "98.83 % of the time watched" "2 outages, 7 min 00 s in all; in 1 of them (5 min 00 s) the router answered" \
    "Timeline" "2026-12-08 23:58:00" "Uptime by day" "Quality by day" "What the causes mean"; do
    if grep -qF "$words" "$sandbox/report.txt"; then
        pass "the printed page says '$words'"
    else
        fail "the printed page lacks '$words'"
        show_also=("$sandbox/report.txt")
    fi
done

page_requests=$(python3 -c '
import json, sys
log = json.load(open(sys.argv[1]))
for event in log["events"]:
    params = event.get("params") or {}
    if "initiator" in params and params["initiator"] != "not an origin":
        print(params["initiator"], params.get("url"))
' "$sandbox/net.json")
if [ -z "$page_requests" ]; then
    pass "the page asked the browser for nothing"
else
    fail "the page asked for: $page_requests"
fi

finish "report in a browser"
