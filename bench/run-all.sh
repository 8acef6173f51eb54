#!/usr/bin/env bash
# Runs every benchmark against its baseline in the same run and prints one table.
#   PELLAVANE_BENCH_SECONDS  length of the CPU measurement of the running windows (default 60)
#   PELLAVANE_BENCH_STARTS   start-ups timed of each program (default 10)
#   PELLAVANE_BENCH_CHECKS   checks through the program at each loss (default 2000)
#   PELLAVANE_BENCH_SOAK     minutes of each of bench/soak.sh's runs (console, window); unset, the
#                            soak is left out: it takes an hour at its usual 30 minutes a run
# Not part of CI: it takes minutes. Everything runs in a private home with a fake ping first on
# PATH, so no real settings, log or network are touched.
set -euo pipefail
# Nothing measured may reach outside the machine: no web check, no system bus.
export PELLAVANE_CHECK_URL= DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-bench"
seconds=${PELLAVANE_BENCH_SECONDS:-60}
starts=${PELLAVANE_BENCH_STARTS:-10}

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
if ! ninja -C "$build" -t targets all | grep '^capture_bench:' >/dev/null; then
    echo "bench/run-all.sh needs Google Benchmark: install libbenchmark-dev (scripts/install-deps.sh test)." >&2
    exit 1
fi
cmake --build "$build" -j 2 --target capture_bench verdict_bench degraded_bench history_bench quality_bench report_bench status_list_bench list_view_bench timeline_bench bare_window pellavane >/dev/null
# The idle window is measured as users build it: scripts/run.sh builds RelWithDebInfo.
as_run="$build/as-run"
cmake -S "$top" -B "$as_run" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$as_run" -j 2 --target bare_window pellavane >/dev/null

# shellcheck source=bench/sandbox.sh
source "$(dirname "$0")/sandbox.sh" pellavane-bench
table="$sandbox/table"
: >"$table"

program="$build/app/pellavane"
bare="$build/bench/bare_window"

echo "== capture" >&2
"$build/bench/capture_bench" | tee /dev/stderr | grep '^TABLE|' >>"$table"
echo "== verdict on a lossy link, seeded" >&2
"$build/bench/verdict_bench" | tee /dev/stderr | grep '^TABLE|' >>"$table"
echo "== degraded state on a lossy link, seeded" >&2
"$build/bench/degraded_bench" | tee /dev/stderr | grep '^TABLE|' >>"$table"
echo "== verdict through the program, fake ping" >&2
"$top/bench/verdict-program.sh" "$build/app/pellavane" "${PELLAVANE_BENCH_CHECKS:-2000}" | tee /dev/stderr | grep '^TABLE|' >>"$table"
echo "== outages of a year of checks" >&2
"$build/bench/history_bench" | tee /dev/stderr | grep '^TABLE|' >>"$table"
echo "== quality of a year of checks with 5 echoes each" >&2
"$build/bench/quality_bench" "$program" | tee /dev/stderr | grep '^TABLE|' >>"$table"
echo "== the HTML report of a year of checks with 3,000 outages" >&2
"$build/bench/report_bench" "$program" | tee /dev/stderr | grep '^TABLE|' >>"$table"
echo "== status list" >&2
QT_QPA_PLATFORM=offscreen "$build/bench/status_list_bench" | tee /dev/stderr | grep '^TABLE|' >>"$table"
echo "== list view" >&2
QT_QPA_PLATFORM=offscreen "$build/bench/list_view_bench" | tee /dev/stderr | grep '^TABLE|' >>"$table"
echo "== history timeline" >&2
QT_QPA_PLATFORM=offscreen "$build/bench/timeline_bench" | tee /dev/stderr | grep '^TABLE|' >>"$table" || true

if [ -n "${PELLAVANE_BENCH_SOAK:-}" ]; then
    echo "== soak, ${PELLAVANE_BENCH_SOAK} minutes a run, faults cycling" >&2
    "$top/bench/soak.sh" "$PELLAVANE_BENCH_SOAK" | tee /dev/stderr | grep '^TABLE|' >>"$table" || true
fi

echo "== CPU and memory over ${seconds} s, offscreen" >&2
"$top/bench/window-idle.sh" "$as_run/app/pellavane" "$as_run/bench/bare_window" "$seconds" | tee /dev/stderr | grep '^TABLE|' >>"$table"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

# Start-up: from the start of the process until a window of the given title is mapped on an X
# display (Xvfb, no window manager), found by polling xdotool every 5 ms. Median of the starts.
echo "== start-up to window shown, ${starts} starts each, Xvfb" >&2
# shellcheck source=scripts/lib/desktop.sh
. "$top/scripts/lib/desktop.sh"
desktop_start_xvfb
# Now and then the X server turns a new client away ("could not connect to display") while the
# poll's own connections come and go; such a start is not a start-up time and is tried again.
time_to_window() {
    local title=$1 binary=$2 started pid ended attempt
    for attempt in 1 2 3; do
        started=$(date +%s%N)
        "$binary" >/dev/null 2>"$sandbox/start-errors" &
        pid=$!
        ended=
        while kill -0 "$pid" 2>/dev/null; do
            if xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1; then
                ended=$(date +%s%N)
                break
            fi
            sleep 0.005
        done
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        if [ -n "$ended" ]; then
            echo $(((ended - started) / 1000000))
            return 0
        fi
        echo "$binary ended before its window was shown (attempt $attempt): $(head -n 1 "$sandbox/start-errors")" >&2
    done
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
window_starts=$(for _ in $(seq "$starts"); do time_to_window Pellavane "$program"; done | median)
bare_starts=$(for _ in $(seq "$starts"); do time_to_window "Bare window" "$bare"; done | median)
echo "TABLE|start-up to window shown, instant fake ping|${window_starts} ms|${bare_starts} ms|$(ratio "$window_starts" "$bare_starts")|<= 1.5" >>"$table"

echo
printf '%-45s %16s %22s %7s %12s\n' figure value baseline ratio goal
sed 's/^TABLE|//' "$table" | while IFS='|' read -r figure value base r goal; do
    printf '%-45s %16s %22s %7s %12s\n' "$figure" "$value" "$base" "$r" "$goal"
done
