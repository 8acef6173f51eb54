#!/usr/bin/env bash
# Months of running, compressed: the program logs every second while faults cycle, and its resident
# memory, open descriptors and threads are sampled every second and summed up per minute.
#   bench/soak.sh [MINUTES]     each run lasts MINUTES (default 30)
#   PELLAVANE_SOAK_RUNS         the runs, one after the other: "console window" (the default),
#                               "console" or "window" (offscreen)
#   PELLAVANE_SOAK_BUILD        a build tree holding app/pellavane and
#                               app/desktop/tests/fake_logind_server; by default build-bench/soak is
#                               configured RelWithDebInfo, as scripts/run.sh builds, and built here
# The faults, in a cycle of about five minutes: ping hangs, is missing, floods its output; the log
# is replaced by a folder, deleted, or its file system is full; the machine sleeps and resumes
# (through a fake logind on a private system bus). Prints the growth per hour after the first
# minute and exits non-zero when a goal is missed: no growth of descriptors or threads, resident
# memory growing under 1 MB an hour apart from the status list's own rows, every line and row
# whole, and a log line for every second but those a hung ping, an unwritable log or a sleep skip.
# Needs root: the log lives on a tmpfs of its own, mounted for the run and unmounted after. In a
# private home with a fake ping first on PATH: no real settings, log, bus or network are touched.
set -euo pipefail
export PELLAVANE_CHECK_URL='' DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent LC_ALL=C TZ=UTC
top=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-30}
runs=${PELLAVANE_SOAK_RUNS:-console window}
build=${PELLAVANE_SOAK_BUILD:-}
if ! [ "$minutes" -ge 2 ] 2>/dev/null; then
    echo "bench/soak.sh: growth is measured after the first minute; give it 2 minutes or more." >&2
    exit 2
fi
if [ "$(id -u)" != 0 ]; then
    echo "bench/soak.sh mounts a small tmpfs for the full file system: run it as root." >&2
    exit 1
fi
if [ -z "$build" ]; then
    build="$top/build-bench/soak"
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j 2 --target pellavane fake_logind_server >/dev/null
fi
program="$build/app/pellavane"
logind_server="$build/app/desktop/tests/fake_logind_server"

# shellcheck source=scripts/lib/testlib.sh
. "$top/scripts/lib/testlib.sh"
sandbox_start pellavane-soak
sandbox_fake_ping
mounts=()
soak_cleanup() {
    local m
    # Detached first, so the folder can go while a process still has a file open there.
    for m in "${mounts[@]}"; do
        umount -l "$m" 2>/dev/null || true
    done
    sandbox_cleanup
}
trap soak_cleanup EXIT
# The program's PATH: the fake ping and the few tools it runs, so that a missing fake is missing
# rather than replaced by the machine's own ping.
mkdir -p "$sandbox/tools"
for tool in sleep od mv yes; do
    ln -s "$(command -v "$tool")" "$sandbox/tools/$tool"
done
program_path="$sandbox/bin:$sandbox/tools"
# One fault after another, each "NAME:SECONDS"; calm gives the program time to recover and to show
# that it did. After a hang comes more than the check's 30 s bound.
cycle=(flood:20 calm:20 hang:20 calm:40 missing:20 calm:20 folder:15 calm:20 deleted:0 calm:20
    full:15 calm:20 sleep:15 calm:20)
# Seconds after a fault's end that may still lack a line: the check a hung ping holds up ends at
# its bound; the first write after an unwritable spell or a resume may fall in the next second.
declare -A grace=([hang]=31 [folder]=2 [full]=2 [sleep]=2)

pid=
run=
status_kb() { awk -v f="$1:" '$1 == f {print $2}' "/proc/$pid/status"; }
# time RSS_KB DESCRIPTORS THREADS ANONYMOUS_KB, one line a second. The anonymous part (heap and
# stacks) is what a leak grows; the rest is the program's and the libraries' files, paged in once
# when a path first runs.
# While a check runs, its child's pipes are open too: descriptors and threads count only at rest.
sample() {
    local fds=("/proc/$pid/fd/"*)
    if pgrep -P "$pid" >/dev/null; then
        echo "$(date +%s) $(status_kb VmRSS) - - $(status_kb RssAnon)" >>"$run/samples"
    else
        echo "$(date +%s) $(status_kb VmRSS) ${#fds[@]} $(status_kb Threads) $(status_kb RssAnon)" >>"$run/samples"
    fi
}
# pass_time SECONDS: samples once a second meanwhile; false when the program has ended.
pass_time() {
    local until=$(($(date +%s) + $1))
    while [ "$(date +%s)" -lt "$until" ]; do
        kill -0 "$pid" 2>/dev/null || return 1
        sample
        sleep 1
    done
}
logind() {
    echo "$1" >&7
}

begin_fault() {
    local log="$run/fs/net.txt"
    case $1 in
    hang | flood) fake_ping "$1" ;;
    missing) mv "$sandbox/bin/ping" "$sandbox/ping.away" ;;
    # The log's lines so far are kept in pieces, on the same file system, for the count at the end.
    folder)
        # A check may write a new log between the two steps: that one is kept too.
        local n=0
        until mkdir "$log" 2>/dev/null; do
            mv "$log" "$run/fs/pieces/$(date +%s)-$((n += 1)).txt"
        done
        ;;
    deleted)
        ln "$log" "$run/fs/pieces/$(date +%s).txt" 2>/dev/null || true
        rm -f "$log"
        ;;
    full) dd if=/dev/zero of="$run/fs/filler" bs=64k 2>/dev/null || true ;;
    sleep) logind sleep ;;
    esac
}

end_fault() {
    case $1 in
    hang | flood) fake_ping answer ;;
    missing) mv "$sandbox/ping.away" "$sandbox/bin/ping" ;;
    folder) rmdir "$run/fs/net.txt" ;;
    full) rm -f "$run/fs/filler" ;;
    sleep) logind resume ;;
    esac
}

# soak KIND: one run of the console or the window; its figures go to $run/figures.
soak() {
    local kind=$1 address step name seconds began started
    run="$sandbox/$kind"
    mkdir -p "$run/fs" "$run/home"
    # Room for the run's log and journal at a few hundred bytes a second, and a megabyte more.
    mount -t tmpfs -o "size=$((minutes * 60 * 400 / 1024 + 1024))k" "soak-$kind" "$run/fs"
    mounts+=("$run/fs")
    mkdir "$run/fs/pieces"
    : >"$run/samples"
    : >"$run/excused"

    mkfifo "$run/logind.in"
    exec 7<>"$run/logind.in"
    "$logind_server" <"$run/logind.in" >"$run/logind.out" 2>"$sandbox/logind-$kind.err" 7>&- &
    sandbox_pids+=($!)
    wait_until 10 grep -q '^address ' "$run/logind.out" || fatal "the fake logind did not start"
    address=$(sed -n 's/^address //p' "$run/logind.out")

    export HOME="$run/home" XDG_CONFIG_HOME="$run/home/.config"
    mkdir -p "$XDG_CONFIG_HOME"
    local command=("$program" --console --interval 1s --log "$run/fs/net.txt")
    if [ "$kind" = window ]; then
        printf '[Pellavane]\nOftenIndex=1\nText1=%s\nStartStopState=On\n' "$run/fs/net.txt" \
            >"$XDG_CONFIG_HOME/Quillmoor.ini"
        command=("$program")
    fi
    # Named by their whole paths: PATH holds only what the program may run.
    "$(command -v env)" PATH="$program_path" DBUS_SYSTEM_BUS_ADDRESS="$address" QT_QPA_PLATFORM=offscreen \
        "$(command -v nice)" -n 5 "${command[@]}" >"$run/program.out" 2>"$sandbox/$kind.err" 7>&- &
    pid=$!
    sandbox_pids+=("$pid")
    show_also+=("$run/program.out")
    started=$(date +%s)
    echo "== $kind, $minutes minutes, process $pid" >&2

    local end=$((started + minutes * 60))
    while [ "$(date +%s)" -lt "$end" ]; do
        for step in "${cycle[@]}"; do
            name=${step%:*} seconds=${step#*:}
            [ "$(date +%s)" -lt "$end" ] || break
            began=$(date +%s)
            [ "$name" = calm ] || begin_fault "$name"
            pass_time "$seconds" || fatal "$kind ended during '$name'"
            [ "$name" = calm ] || end_fault "$name"
            if [ -n "${grace[$name]:-}" ]; then
                echo "$began $(($(date +%s) + grace[$name])) $name" >>"$run/excused"
            fi
        done
    done
    logind status
    wait_until 5 grep -q '^locks ' "$run/logind.out" || true
    local sleeps
    sleeps=$(grep -c sleep "$run/excused" || true)
    # Every delay lock the program took before a sleep was given back; it holds one now.
    if grep -q "^locks $((sleeps + 1)) released $sleeps\$" "$run/logind.out"; then
        pass "$kind: $sleeps sleeps, each delay lock given back at the sleep and a new one taken at the resume"
    else
        fail "$kind: sleeps $sleeps, fake logind says: $(grep '^locks ' "$run/logind.out" || echo nothing)"
    fi
    kill "$pid"
    wait_until 40 process_gone "$pid" || fail "$kind did not end within 40 s of SIGTERM"
    wait "$pid" || fail "$kind ended with status $?"
    exec 7>&-
    check_files "$kind"
    figures "$kind"
}

# check_files KIND: every line and row whole, and a line for every second whose check could be
# logged. A line is dated when its check ends, so a check that takes a little longer than the one
# before may land in the next second and leave one without a line beside one with two: between a
# hang, an unwritable log or a sleep and the next, the lines must number the seconds they span, or
# one fewer, for the first and last check may each end either side of a second's start.
check_files() {
    local kind=$1 f cr=$'\r'
    local line="^[0-9]{2}/[0-9]{2}/[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} Internet Connection Status: (Connected|Disconnected)$cr\$"
    local bad=0
    for f in "$run/fs/pieces/"* "$run/fs/net.txt"; do
        [ -f "$f" ] || continue
        if [ -s "$f" ] && [ "$(tail -c 1 "$f" | od -An -tx1 | tr -d ' ')" != 0a ]; then
            fail "$kind: $(basename "$f") ends inside a line"
            bad=1
        fi
        if grep -Evn "$line" "$f" | head -n 3 | grep .; then
            fail "$kind: $(basename "$f") holds lines that are not whole status lines"
            bad=1
        fi
    done
    local journal="$run/fs/net.journal.csv"
    local row="^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2},[a-z0-9]+,[a-z]*,[0-9.]*,[^,]*,[^$cr]*$cr\$"
    if [ "$(head -n 1 "$journal")" != "time,event,status,rtt_ms,target,detail$cr" ] ||
        [ "$(tail -c 1 "$journal" | od -An -tx1 | tr -d ' ')" != 0a ] ||
        tail -n +2 "$journal" | grep -Evn "$row" | head -n 3 | grep .; then
        fail "$kind: the journal holds a row that is not whole"
        bad=1
    fi
    [ "$bad" = 1 ] || pass "$kind: every log line and journal row is whole"

    # Lines written, and the checks lost: the seconds that lack one outside the excused spans.
    { cat "$run/fs/pieces/"* "$run/fs/net.txt" 2>/dev/null || true; } | awk '
        { split($1, d, "/"); split($2, t, ":"); print mktime(d[3] " " d[1] " " d[2] " " t[1] " " t[2] " " t[3]) }' |
        sort -n | awk -v excused="$run/excused" '
        BEGIN { while ((getline e < excused) > 0) { split(e, f, " "); from[++n] = f[1]; to[n] = f[2] } }
        { s[++lines] = $1 }
        END {
            # Stretches of lines between the excused gaps; each must have a line for every second.
            start = 1
            for (k = 2; k <= lines + 1; k++) {
                cut = k > lines
                if (!cut && s[k] - s[k - 1] > 1)
                    for (i = 1; i <= n; i++) if (from[i] <= s[k - 1] + 2 && to[i] >= s[k] - 1) cut = 1
                if (!cut) continue
                # Its first and last checks may each end either side of a second: one second more.
                short = s[k - 1] - s[start] + 1 - (k - start) - 1
                if (short > 0) {
                    missing += short
                    if (++shown <= 5) printf "%d lines from %s to %s\n", k - start, strftime("%T", s[start]), strftime("%T", s[k - 1]) > "/dev/stderr"
                }
                start = k
            }
            printf "%d %d %d %d\n", lines, lines + missing, missing + 0, s[lines] - s[1]
        }' >"$run/lines"
    local lines expected missing span
    read -r lines expected missing span <"$run/lines"
    echo "$lines $expected $span" >"$run/coverage"
    if [ "$missing" = 0 ]; then
        pass "$kind: $lines lines, no check lost outside a hang, an unwritable log or a sleep"
    else
        fail "$kind: $missing checks lost: $lines lines where $expected were due"
    fi
    # The console prints every check it makes: each one outside the excused spans is in the log.
    if [ "$kind" = console ]; then
        local unlogged
        unlogged=$(grep -h 'Internet Connection Status' "$run/program.out" | sort -u |
            comm -23 - <({ cat "$run/fs/pieces/"* "$run/fs/net.txt" 2>/dev/null || true; } | tr -d '\r' | sort -u) |
            awk -v excused="$run/excused" '
                BEGIN { while ((getline e < excused) > 0) { split(e, f, " "); from[++n] = f[1]; to[n] = f[2] } }
                { split($1, d, "/"); split($2, t, ":"); s = mktime(d[3] " " d[1] " " d[2] " " t[1] " " t[2] " " t[3])
                  ok = 0; for (i = 1; i <= n; i++) if (s >= from[i] && s <= to[i]) ok = 1
                  if (!ok) print }')
        if [ -z "$unlogged" ]; then
            pass "$kind: every check printed outside the excused spans is in the log"
        else
            fail "$kind: checks printed but not logged: $(echo "$unlogged" | head -n 3)"
        fi
    fi
}

# figures KIND: per minute the fewest descriptors and threads at rest (a minute with a check
# running throughout, under a hang or a flood, keeps the minute before's) and the last resident
# size; growth per hour from a least-squares line through the minutes after the first.
figures() {
    local kind=$1 rows_per_hour lines span
    awk -v start="$(head -n 1 "$run/samples" | cut -d' ' -f1)" '
        { m = int(($1 - start) / 60); rss[m] = $2; anon[m] = $5
          if ($3 != "-" && (!(m in fds) || $3 < fds[m])) fds[m] = $3
          if ($4 != "-" && (!(m in thr) || $4 < thr[m])) thr[m] = $4
          if (m > last) last = m }
        END { for (m = 0; m <= last; m++) if (m in rss) {
                if (!(m in fds)) fds[m] = fds[m - 1]
                if (!(m in thr)) thr[m] = thr[m - 1]
                print m, rss[m], fds[m], thr[m], anon[m] } }' \
        "$run/samples" >"$run/minutes"
    echo "$kind per minute: minute resident_kB descriptors threads anonymous_kB" >&2
    awk '{ printf "%-32s%s", $0, (NR % 4 ? "" : "\n") } END { if (NR % 4) print "" }' "$run/minutes" >&2
    # The status list's rows: one per check, kept only by the window; the console prints its rows
    # and keeps none, so its growth counts in full.
    read -r lines _ span <"$run/coverage"
    rows_per_hour=0
    if [ "$kind" = window ] && [ "$span" -gt 0 ]; then
        rows_per_hour=$((lines * 3600 / span))
    fi
    echo "$rows_per_hour" >"$run/rows_per_hour"
    awk -v kind="$kind" -v rows_per_hour="$rows_per_hour" '
        function slope(col,   i, n, sx, sy, sxx, sxy) {
            for (i = 1; i <= count; i++) { n++; sx += m[i]; sy += v[col, i]; sxx += m[i] * m[i]; sxy += m[i] * v[col, i] }
            return (n * sxx - sx * sx) == 0 ? 0 : (n * sxy - sx * sy) / (n * sxx - sx * sx)
        }
        $1 >= 1 { count++; m[count] = $1; v[2, count] = $2; v[3, count] = $3; v[4, count] = $4; v[5, count] = $5 }
        END {
            rss = slope(2) * 60; fds = slope(3) * 60; thr = slope(4) * 60; anon = slope(5) * 60
            # The rows hold 8 bytes each in the store (bench/status_list_bench), resident
            # a page at a time.
            rows = rows_per_hour * 8 / 1024
            printf "%s %d %d %d %d %d %d %.0f %.0f %.1f %.1f %.0f\n", kind, v[3, 1], v[3, count], v[4, 1], v[4, count],
                v[2, 1], v[2, count], rss, rss - rows, fds, thr, anon
        }' "$run/minutes" >"$run/figures"
    local fds0 fds1 thr0 thr1 rss0 rss1 rss_h apart_h fds_h thr_h anon_h
    read -r _ fds0 fds1 thr0 thr1 rss0 rss1 rss_h apart_h fds_h thr_h anon_h <"$run/figures"
    echo "$kind: descriptors $fds0 -> $fds1, threads $thr0 -> $thr1, resident $rss0 -> $rss1 kB" \
        "(minute 1 to the last); per hour: descriptors $fds_h, threads $thr_h, resident $rss_h kB (anonymous $anon_h kB), $apart_h kB apart from the status list's rows"
    local worst_fds worst_thr
    worst_fds=$(awk 'NR > 1 && $1 >= 1 && $3 > max { max = $3 } END { print max + 0 }' "$run/minutes")
    worst_thr=$(awk 'NR > 1 && $1 >= 1 && $4 > max { max = $4 } END { print max + 0 }' "$run/minutes")
    if [ "$worst_fds" -le "$fds0" ] && [ "$worst_thr" -le "$thr0" ]; then
        pass "$kind: descriptors and threads never above minute 1's $fds0 and $thr0"
    else
        fail "$kind: descriptors up to $worst_fds from $fds0, threads up to $worst_thr from $thr0"
    fi
    if [ "$apart_h" -lt 1024 ]; then
        pass "$kind: resident memory grows $apart_h kB an hour apart from the status list's rows"
    else
        fail "$kind: resident memory grows $apart_h kB an hour apart from the status list's rows (goal: under 1024)"
    fi
}

for kind in $runs; do
    soak "$kind"
done

echo
printf '%-8s %12s %9s %17s %16s %15s %15s %18s\n' run descriptors threads "resident kB/hour" "apart from rows" \
    "anonymous kB/h" "bytes per check" "lines / expected"
for kind in $runs; do
    read -r _ fds0 fds1 thr0 thr1 _ _ rss_h apart_h _ _ anon_h <"$sandbox/$kind/figures"
    read -r lines expected span <"$sandbox/$kind/coverage"
    # The whole growth over the checks made: for the window an upper bound of what a status row
    # costs; for the console, which keeps no rows, what anything kept per check costs.
    per_check=$(awk -v kb="$rss_h" -v n="$lines" -v s="$span" 'BEGIN { printf "%.0f", (s > 0 && n > 0 ? kb * 1024 / (n * 3600 / s) : 0) }')
    printf '%-8s %12s %9s %17s %16s %15s %15s %18s\n' "$kind" "$fds0 -> $fds1" "$thr0 -> $thr1" "$rss_h" "$apart_h" \
        "$anon_h" "$per_check" "$lines / $expected"
    echo "TABLE|soak $kind, $minutes min: descriptors, threads|$fds1, $thr1|$fds0, $thr0 (minute 1)||no growth"
    echo "TABLE|soak $kind, $minutes min: resident growth per hour|$apart_h kB|$rss_h kB with the rows||< 1024 kB"
done
finish soak
