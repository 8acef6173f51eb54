#!/usr/bin/env bash
# The metrics file as the real textfile collector serves it: up while the fake ping answers, down
# once it falls silent. Only loopback: the collector listens on 127.0.0.1, the probe pings nothing.
# With a dashboard, every panel's query must also run on a Prometheus scraping that collector.
# Usage: node-exporter-test.sh PELLAVANE [DASHBOARD]
set -euo pipefail
program=$1
dashboard=${2:-}
for tool in prometheus-node-exporter curl python3; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool missing (scripts/install-deps.sh test)"; exit 1; }
done

# shellcheck source=scripts/lib/testlib.sh
. "$(dirname "$0")/../../scripts/lib/testlib.sh"
sandbox_start pellavane-node-exporter
sandbox_fake_ping
mkdir -p "$sandbox/textfile"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
sandbox_spawn exporter prometheus-node-exporter --web.listen-address=127.0.0.1:"$port" --collector.disable-defaults \
    --collector.textfile --collector.textfile.directory="$sandbox/textfile"
sandbox_spawn console "$program" --console --interval 1s --echoes 5 --log "$sandbox/log.txt" \
    --metrics "$sandbox/textfile/pellavane.prom"
logger=$spawned

scraped() {
    curl -sf "http://127.0.0.1:$port/metrics" >"$sandbox/scrape" 2>/dev/null && grep -qx "$1" "$sandbox/scrape"
}
# Waits up to 20 s for a line of the collector's answer.
expect() {
    if wait_until 20 scraped "$1"; then
        echo "ok: $1"
        return 0
    fi
    echo "FAIL: no line '$1' from the collector"
    grep pellavane "$sandbox/scrape"
    cat "$sandbox"/exporter.* "$sandbox"/console.* 2>/dev/null | tail -40
    exit 1
}

expect 'pellavane_up 1'
expect 'pellavane_interval_seconds 1'
expect 'node_textfile_scrape_error 0'
expect 'pellavane_target_up{target="127.0.0.1"} 1'
expect 'pellavane_rtt_seconds 0\.0001[12][0-9]*'
fake_ping lose 2
expect 'pellavane_echoes_lost_total [1-9][0-9]*'
expect 'pellavane_echo_rtt_seconds_bucket{le="0.0002"} [1-9][0-9]*'
if [ -n "$dashboard" ]; then
    command -v prometheus >/dev/null || { echo "FAIL: prometheus missing (scripts/install-deps.sh test)"; exit 1; }
    server_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    printf 'global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: node\n    static_configs:\n      - targets: ["127.0.0.1:%s"]\n' \
        "$port" >"$sandbox/prometheus.yml"
    sandbox_spawn prometheus prometheus --config.file="$sandbox/prometheus.yml" --storage.tsdb.path="$sandbox/tsdb" \
        --web.listen-address=127.0.0.1:"$server_port"
    python3 - "$dashboard" "$server_port" <<'PY' || { tail -20 "$sandbox/prometheus.err"; exit 1; }
import json, sys, time, urllib.parse, urllib.request
dashboard, port = sys.argv[1], sys.argv[2]
def query(expr):
    url = "http://127.0.0.1:%s/api/v1/query?%s" % (port, urllib.parse.urlencode({"query": expr}))
    with urllib.request.urlopen(url, timeout=5) as answer:
        return json.load(answer)
deadline = time.time() + 30
while True:
    try:
        if query("pellavane_up")["data"]["result"]:
            break
    except OSError:
        pass
    if time.time() > deadline:
        sys.exit("FAIL: the test's Prometheus never scraped pellavane_up")
    time.sleep(0.5)
time.sleep(2)  # a few samples for the range queries
failed = 0
panels = json.load(open(dashboard))["panels"]
for panel in panels:
    for target in panel.get("targets", []):
        expr = target["expr"].replace("$instance", ".*")
        try:
            result = query(expr)
            ok = result["status"] == "success"
        except Exception as error:  # a refused query answers 400 with the reason
            ok, result = False, str(error)
        print(("ok: " if ok else "FAIL: ") + panel["title"] + " / " + target["legendFormat"])
        failed += 0 if ok else 1
        if panel["title"] == "Current state" and ok and not result["data"]["result"]:
            print("FAIL: a fresh machine shows no current state")
            failed += 1
        # Echoes are being lost and answered all along: both panels have a value by now.
        if panel["title"] in ("Echo loss", "Round trip, 95th percentile") and ok and not result["data"]["result"]:
            print("FAIL: " + panel["title"] + " shows nothing for a link that loses echoes")
            failed += 1
sys.exit(1 if failed else 0)
PY
fi
fake_ping silent
expect 'pellavane_up 0'
expect 'pellavane_outages_total 1'
kill "$logger"
wait "$logger" || { echo "FAIL: the console did not end with status 0 on SIGTERM"; exit 1; }
ls "$sandbox/textfile" | grep -vx pellavane.prom && { echo "FAIL: a temporary file was left behind"; exit 1; }
echo "PASS"
