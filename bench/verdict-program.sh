#!/usr/bin/env bash
# The verdict through the program: pellavane --check against a fake ping that loses each echo at
# random, and the time of a check when every target is silent or every ping hangs. Prints rows of
# run-all.sh's table. Loopback targets and a fake ping only; the web check is off.
#   verdict-program.sh PROGRAM [CHECKS]
set -euo pipefail
program=$1
checks=${2:-2000}
sandbox=$(mktemp -d /tmp/pellavane-verdict.XXXXXX)
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/bin" "$sandbox/home" "$sandbox/config" "$sandbox/state" "$sandbox/runtime"
chmod 700 "$sandbox/runtime"
export PATH="$sandbox/bin:/usr/bin:/bin" HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/config"
export XDG_STATE_HOME="$sandbox/state" XDG_RUNTIME_DIR="$sandbox/runtime" TMPDIR="$sandbox"
export PELLAVANE_PROBE_HOSTS=127.0.0.1,127.0.0.2,127.0.0.3 PELLAVANE_CHECK_URL=
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
unset PELLAVANE_PROBE_HOST

# Loses the echo when a random 16-bit number falls below LOSS of 65536.
lossy_ping() {
    cat >"$sandbox/bin/ping" <<PING
#!/bin/sh
echo x >>"$sandbox/pings"
n=\$(od -An -N2 -tu2 /dev/urandom)
if [ "\$n" -lt $1 ]; then
    echo '1 packets transmitted, 0 received, 100% packet loss, time 0ms'
    exit 1
fi
echo '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.050 ms'
PING
    chmod 755 "$sandbox/bin/ping"
}

for loss in 10 30; do
    lossy_ping $((65536 * loss / 100))
    : >"$sandbox/pings"
    downs=0
    for _ in $(seq "$checks"); do
        "$program" --check >/dev/null 2>&1 || downs=$((downs + 1))
    done
    pings=$(wc -l <"$sandbox/pings")
    goal=$([ "$loss" = 10 ] && echo "<= 1" || echo "<= 20")
    expected=$((10000 * loss / 100))
    awk -v d="$downs" -v c="$checks" -v l="$loss" -v g="$goal" -v e="$expected" -v p="$pings" 'BEGIN {
        printf "TABLE|false downs per 10,000, %d %% loss, program (%d checks)|%.1f|%d single ping|%.4f|%s\n", l, c, d * 10000 / c, e, d * 10000 / c / e, g
        printf "TABLE|pings per check, %d %% loss, program|%.3f|1 single ping|%.3f|report\n", l, p / c, p / c
    }'
done

# A check's length, in seconds, with the given ping body.
timed_check() {
    printf '#!/bin/sh\n%s\n' "$1" >"$sandbox/bin/ping"
    chmod 755 "$sandbox/bin/ping"
    local started ended
    started=$(date +%s%N)
    "$program" --check >/dev/null 2>&1 || true
    ended=$(date +%s%N)
    awk -v ns=$((ended - started)) 'BEGIN { printf "%.1f s", ns / 1e9 }'
}
echo "TABLE|one check, every target silent, 4 s reply wait|$(timed_check 'sleep 4; exit 1')|12 s in outline||<= 15 s"
echo "TABLE|one check, every ping hanging|$(timed_check 'exec sleep 1000')|30 s bound||< 30 s"
