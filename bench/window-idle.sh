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
# shellcheck source=bench/sandbox.sh
source "$(dirname "$0")/sandbox.sh" pellavane-idle

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
sandbox_pids+=("$window")
QT_QPA_PLATFORM=offscreen taskset -c "$core" "$bare" >/dev/null 2>&1 &
baseline=$!
sandbox_pids+=("$baseline")
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
sandbox_pids=()
ms() { awk -v us="$1" 'BEGIN { printf "%.1f", us / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
echo "TABLE|CPU over ${seconds} s, 24-hour interval|$(ms "$window_cpu") ms|$(ms "$bare_cpu") ms|$(ratio "$window_cpu" "$bare_cpu")|<= 1.5"
echo "TABLE|resident memory (VmRSS)|${window_rss} kB|${bare_rss} kB|$(ratio "$window_rss" "$bare_rss")|<= 1.3"
echo "TABLE|peak resident memory (VmHWM)|${window_hwm} kB|${bare_hwm} kB|$(ratio "$window_hwm" "$bare_hwm")|report both"
