#!/usr/bin/env bash
# The running window's CPU and resident memory against the bare window, both running at once so
# that load from elsewhere on the machine weighs on both. Prints rows of run-all.sh's table; run on
# its own to measure just this (run-all.sh builds both as scripts/run.sh does, in build-bench/as-run).
#   window-idle.sh PROGRAM BARE_WINDOW [SECONDS]
# Offscreen, in a private home with a fake ping first on PATH: no real settings, log or network.
set -euo pipefail
program=$1
bare=$2
seconds=${3:-60}
sandbox=$(mktemp -d /tmp/pellavane-idle.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$sandbox"
}
trap cleanup EXIT
mkdir -p "$sandbox/home" "$sandbox/config" "$sandbox/state" "$sandbox/runtime" "$sandbox/bin"
chmod 700 "$sandbox/runtime"
cat >"$sandbox/bin/ping" <<'PING'
#!/bin/sh
echo 'PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.'
echo '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.050 ms'
echo '1 packets transmitted, 1 received, 0% packet loss, time 0ms'
PING
chmod 755 "$sandbox/bin/ping"
# The window logs every 24 hours: once at start, then only its one-second countdown.
printf '[Pellavane]\nOftenIndex=12\nText1=%s\nStartStopState=On\n' "$sandbox/history.txt" >"$sandbox/config/Quillmoor.ini"
export PATH="$sandbox/bin:$PATH" HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/config"
export XDG_STATE_HOME="$sandbox/state" XDG_RUNTIME_DIR="$sandbox/runtime" TMPDIR="$sandbox"
export PELLAVANE_PROBE_HOST=127.0.0.1 DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
# Nothing this runs may reach a web address or a real system bus.
export PELLAVANE_CHECK_URL= DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
unset PELLAVANE_PROBE_HOSTS

# CPU time of a process, all its threads, in microseconds. The scheduler's own count in
# nanoseconds: utime + stime come in 10 ms ticks, too coarse for a window that is idle nearly always.
cpu_us() {
    cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d", sum / 1000 }'
}
status_kb() { awk -v f="$2:" '$1 == f {print $2}' "/proc/$1/status"; }

# Both on one core, so that what else runs on the machine, and the core's own state, weighs on
# both alike: each is idle nearly always and never waits for the other.
core=$(($(nproc) - 1))
QT_QPA_PLATFORM=offscreen taskset -c "$core" "$program" >/dev/null 2>&1 &
window=$!
pids+=("$window")
QT_QPA_PLATFORM=offscreen taskset -c "$core" "$bare" >/dev/null 2>&1 &
baseline=$!
pids+=("$baseline")
# Start-up is timed on its own; this is the steady running.
sleep 3
window_start=$(cpu_us "$window")
bare_start=$(cpu_us "$baseline")
sleep "$seconds"
window_cpu=$(($(cpu_us "$window") - window_start))
bare_cpu=$(($(cpu_us "$baseline") - bare_start))
window_rss=$(status_kb "$window" VmRSS)
bare_rss=$(status_kb "$baseline" VmRSS)
window_hwm=$(status_kb "$window" VmHWM)
bare_hwm=$(status_kb "$baseline" VmHWM)
kill "$window" "$baseline"
wait "$window" "$baseline" 2>/dev/null || true
pids=()
ms() { awk -v us="$1" 'BEGIN { printf "%.1f", us / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
echo "TABLE|CPU over ${seconds} s, 24-hour interval|$(ms "$window_cpu") ms|$(ms "$bare_cpu") ms|$(ratio "$window_cpu" "$bare_cpu")|<= 1.5"
echo "TABLE|resident memory (VmRSS)|${window_rss} kB|${bare_rss} kB|$(ratio "$window_rss" "$bare_rss")|<= 1.3"
echo "TABLE|peak resident memory (VmHWM)|${window_hwm} kB|${bare_hwm} kB|$(ratio "$window_hwm" "$bare_hwm")|report both"
