#!/usr/bin/env bash
# pellavane --report on histories the test writes: each outage row of the page carries exactly what
# pellavane --outages --csv gives for the same options, across midnight, the clocks going back, sleep,
# a text log, --merge, --min and a range; a report that cannot be written or read fails with status 3,
# names the file and the reason and leaves nothing behind.
#   report_test.sh PROGRAM
set -euo pipefail
program=$1
here=$(dirname "$0")
# shellcheck source=scripts/lib/testlib.sh
. "$here/../../scripts/lib/testlib.sh"
sandbox_start pellavane-report
export LC_ALL=C TZ=Europe/Helsinki PELLAVANE_PROBE_HOST=127.0.0.1
unset DISPLAY WAYLAND_DISPLAY
history() { python3 "$here/report_history.py" "$@"; }

# Three outages: 60 s, 30 s later 60 s more, then a lone one of 30 s.
three_short='start 2026-12-08T10:00:00
up 2026-12-08T10:10:00
down 2026-12-08T10:11:00 provider
up 2026-12-08T10:11:30
down 2026-12-08T10:12:30 provider
up 2026-12-08T10:20:00
down 2026-12-08T10:20:30 targets silent
up 2026-12-08T10:30:00'

# name | history | options | outages
cases=(
    "across midnight|start 2026-12-08T23:50:00
up 2026-12-08T23:58:00
down 2026-12-09T00:03:00 provider
up 2026-12-09T00:10:00||1"
    # 2026-10-25 01:00 UTC: the clocks go back from 04:00 to 03:00; the outage spans the hour twice.
    "clocks going back|start @1792888800
up @1792889400
down @1792890600 local network
up @1792891200||1"
    "asleep after an outage|start 2026-12-08T10:00:00
up 2026-12-08T10:10:00
down 2026-12-08T10:12:00 no network
sleep 2026-12-08T11:00:00
down 2026-12-08T11:01:00 provider
up 2026-12-08T11:10:00||2"
    "a text log|text
start 2026-12-08T23:00:00
up 2026-12-08T23:59:00
down 2026-12-09T00:01:00
up 2026-12-09T00:30:00||1"
    "as it stands|$three_short||3"
    "merged|$three_short|--merge 1m|2"
    "short ones left out|$three_short|--min 1m|2"
    "merged, then short ones left out|$three_short|--merge 1m --min 1m|1"
    "another day|$three_short|--from 2026-12-09 --to 2026-12-09|0"
)

# Every history written at once: Python's start is most of the time such a step takes.
writes=()
for i in "${!cases[@]}"; do
    IFS='|' read -r -d '' name steps options count < <(printf '%s\0' "${cases[i]}") || true
    mkdir "$sandbox/case$i"
    writes+=("$steps" "$sandbox/case$i/log.txt")
done
history write "${writes[@]}"

for i in "${!cases[@]}"; do
    IFS='|' read -r -d '' name steps options count < <(printf '%s\0' "${cases[i]}") || true
    count=${count%$'\n'}
    dir=$sandbox/case$i
    # shellcheck disable=SC2086 # the options are words
    "$program" --outages --csv --log "$dir/log.txt" $options >"$dir/report.csv" 2>"$dir/outages.err" ||
        { fail "$name: --outages failed"; continue; }
    # shellcheck disable=SC2086
    blame=$("$program" --outages --log "$dir/log.txt" $options | tail -n 1)
    # shellcheck disable=SC2086
    "$program" --report "$dir/report.html" --log "$dir/log.txt" $options >"$dir/report.out" 2>"$dir/report.err" ||
        { fail "$name: --report failed: $(cat "$dir/report.err")"; continue; }
    [ "$(cat "$dir/report.out")" = "Report written to $dir/report.html." ] || fail "$name: said $(cat "$dir/report.out")"
    if message=$(history compare "$dir/report.csv" "$dir/report.html" "$blame" "$count" 2>&1); then
        pass "$name: $count outage row(s) as --outages --csv gives them, and its closing line"
    else
        fail "$name: $message"
    fi
done

# expect_failure NAME STATUS MESSAGE ARGS...: the program fails with STATUS and MESSAGE on standard
# error, and the sandbox's files are those it had before.
expect_failure() {
    local name=$1 status=$2 message=$3 got=0
    shift 3
    (cd "$sandbox" && find . -path ./home -prune -o -print | sort) >"$sandbox/before.list"
    "$program" "$@" >/dev/null 2>"$sandbox/failure.msg" || got=$?
    (cd "$sandbox" && find . -path ./home -prune -o -print | sort) >"$sandbox/after.list"
    if [ "$got" != "$status" ]; then
        fail "$name: exit status $got, not $status"
    elif [ "$(cat "$sandbox/failure.msg")" != "$message" ]; then
        fail "$name: said '$(cat "$sandbox/failure.msg")', not '$message'"
    elif ! cmp -s <(grep -v 'failure.msg\|before.list\|after.list' "$sandbox/before.list") \
        <(grep -v 'failure.msg\|before.list\|after.list' "$sandbox/after.list"); then
        fail "$name: files changed: $(diff "$sandbox/before.list" "$sandbox/after.list" | grep '^[<>]' | tr '\n' ' ')"
    else
        pass "$name"
    fi
}

cp "$sandbox"/case0/log.journal.csv "$sandbox/log.journal.csv"
mkdir "$sandbox/taken"
expect_failure "a folder in the report's place" 3 "Cannot write the report '$sandbox/taken': Is a directory" \
    --report "$sandbox/taken" --log "$sandbox/log.txt"
expect_failure "a folder that does not exist" 3 \
    "Cannot write the report '$sandbox/missing/r.html': No such file or directory" \
    --report "$sandbox/missing/r.html" --log "$sandbox/log.txt"
expect_failure "a history that is not there" 3 \
    "Cannot read log file '$sandbox/none.txt': No such file or directory" \
    --report "$sandbox/r.html" --log "$sandbox/none.txt"
expect_failure "a duration that is none" 2 "pellavane: '5x' for --merge is not a duration such as 30s, 5m or 1h." \
    --report "$sandbox/r.html" --log "$sandbox/log.txt" --merge 5x

finish report
