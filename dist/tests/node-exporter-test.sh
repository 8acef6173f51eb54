#!/bin/sh
# The metrics file as the real textfile collector serves it: up while the fake ping answers, down
# once it falls silent. Only loopback: the collector listens on 127.0.0.1, the probe pings nothing.
# With a dashboard, every panel's query must also run on a Prometheus scraping that collector.
# Usage: node-exporter-test.sh PELLAVANE [DASHBOARD]
set -eu
program=$1
dashboard=${2:-}
for tool in prometheus-node-exporter curl python3; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool missing (scripts/install-deps.sh test)"; exit 1; }
done

work=$(mktemp -d)
exporter=
logger=
server=
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    [ -n "$logger" ] && kill "$logger" 2>/dev/null || true
    [ -n "$exporter" ] && kill "$exporter" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/bin" "$work/textfile" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
# The fake ping answers while the file "answer" exists.
cat > "$work/bin/ping" <<SCRIPT
#!/bin/sh
if [ -e "$work/answer" ]; then
    echo "PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data."
    echo "64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.120 ms"
    echo "1 packets transmitted, 1 received, 0% packet loss, time 0ms"
    exit 0
fi
echo "1 packets transmitted, 0 received, 100% packet loss, time 0ms"
exit 1
SCRIPT
chmod 755 "$work/bin/ping"
touch "$work/answer"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
prometheus-node-exporter --web.listen-address=127.0.0.1:"$port" --collector.disable-defaults \
    --collector.textfile --collector.textfile.directory="$work/textfile" >"$work/exporter.log" 2>&1 &
exporter=$!

HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_STATE_HOME="$work/home/.state" \
    XDG_RUNTIME_DIR="$work/runtime" PATH="$work/bin:$PATH" PELLAVANE_PROBE_HOST=127.0.0.1 PELLAVANE_CHECK_URL= \
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent \
    PELLAVANE_PROBE_HOSTS= "$program" --console --interval 1s --log "$work/log.txt" --metrics "$work/textfile/pellavane.prom" \
    >"$work/console.log" 2>&1 &
logger=$!

# Waits up to 20 s for a line of the collector's answer.
expect() {
    i=0
    while [ $i -lt 100 ]; do
        if curl -sf "http://127.0.0.1:$port/metrics" >"$work/scrape" 2>/dev/null && grep -qx "$1" "$work/scrape"; then
            echo "ok: $1"
            return 0
        fi
        i=$((i + 1))
        sleep 0.2
    done
    echo "FAIL: no line '$1' from the collector"
    grep pellavane "$work/scrape"; cat "$work/exporter.log" "$work/console.log" 2>/dev/null | tail -40
    exit 1
}

expect 'pellavane_up 1'
expect 'pellavane_interval_seconds 1'
expect 'node_textfile_scrape_error 0'
expect 'pellavane_target_up{target="127.0.0.1"} 1'
expect 'pellavane_rtt_seconds 0\.0001[12][0-9]*'
if [ -n "$dashboard" ]; then
    command -v prometheus >/dev/null || { echo "FAIL: prometheus missing (scripts/install-deps.sh test)"; exit 1; }
    server_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    printf 'global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: node\n    static_configs:\n      - targets: ["127.0.0.1:%s"]\n' \
        "$port" >"$work/prometheus.yml"
    prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
        --web.listen-address=127.0.0.1:"$server_port" >"$work/prometheus.log" 2>&1 &
    server=$!
    python3 - "$dashboard" "$server_port" <<'PY' || { tail -20 "$work/prometheus.log"; exit 1; }
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
sys.exit(1 if failed else 0)
PY
fi
rm "$work/answer"
expect 'pellavane_up 0'
expect 'pellavane_outages_total 1'
kill "$logger"
wait "$logger" || { echo "FAIL: the console did not end with status 0 on SIGTERM"; exit 1; }
logger=
ls "$work/textfile" | grep -vx pellavane.prom && { echo "FAIL: a temporary file was left behind"; exit 1; }
echo "PASS"
