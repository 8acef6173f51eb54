#!/usr/bin/env bash
# The logrotate file as the real logrotate runs it, on a copy pointed at the test's own folder: a
# --console run with a fake ping is rotated twice while it logs, and every report over the pieces
# (pellavane.log.2.gz, .1 and the file itself, and the journal's) equals the report over an unrotated
# copy of the same lines, for the journal and for the text log alone.
# Usage: logrotate-test.sh PELLAVANE LOGROTATE_FILE
set -euo pipefail
program=$1
config=$2
command -v logrotate >/dev/null || { echo "FAIL: logrotate missing (scripts/install-deps.sh test)"; exit 1; }

# shellcheck source=scripts/lib/testlib.sh
. "$(dirname "$0")/../../scripts/lib/testlib.sh"
sandbox_start pellavane-logrotate
sandbox_fake_ping
live="$sandbox/live" uncut="$sandbox/uncut"
mkdir -p "$live" "$uncut"
sed "s|/var/lib/pellavane/|$live/|g" "$config" >"$sandbox/logrotate.conf"
grep -q "$live/pellavane.journal.csv" "$sandbox/logrotate.conf" || fatal "the logrotate file names no journal"

sandbox_spawn console "$program" --console --interval 1s --echoes 3 --log "$live/pellavane.log"
logger=$spawned
checks() {
    local n
    n=$(grep -c ',check,' "$live/pellavane.journal.csv" 2>/dev/null) || true
    echo "${n:-0}"
}
enough_checks() { [ "$(checks)" -ge "$1" ]; }
wait_checks() { wait_until 20 enough_checks "$1" || fatal "fewer than $1 checks in the journal"; }

# The unrotated copy gets what the live files hold at each rotation; a journal's header once.
keep_uncut() {
    cat "$live/pellavane.log" >>"$uncut/pellavane.log"
    if [ -e "$uncut/pellavane.journal.csv" ]; then
        tail -n +2 "$live/pellavane.journal.csv" >>"$uncut/pellavane.journal.csv"
    else
        cat "$live/pellavane.journal.csv" >"$uncut/pellavane.journal.csv"
    fi
}
# The program is held still only so that the copy and the rotation see the same lines; it is told
# nothing.
rotate() {
    kill -STOP "$logger"
    keep_uncut
    logrotate -f -s "$sandbox/logrotate.state" "$sandbox/logrotate.conf" || { kill -CONT "$logger"; fatal "logrotate failed"; }
    kill -CONT "$logger"
}

wait_checks 2
fake_ping silent
wait_checks 4
fake_ping answer
wait_checks 5
rotate
fake_ping lose 2
wait_checks 2
fake_ping silent
wait_checks 4
fake_ping answer
wait_checks 5
rotate
wait_checks 2
kill -TERM "$logger"
wait_until 10 process_gone "$logger" || fatal "the console did not end"
keep_uncut

for piece in pellavane.log.2.gz pellavane.log.1 pellavane.log pellavane.journal.csv.2.gz \
    pellavane.journal.csv.1 pellavane.journal.csv; do
    [ -s "$live/$piece" ] || fatal "no $piece after two rotations"
done
header=$(head -n 1 "$uncut/pellavane.journal.csv")
[ "$(head -n 1 "$live/pellavane.journal.csv")" = "$header" ] || fail "the journal begun after the rotation has no header"

# report NAME DIR OPTIONS...: the report over DIR's history, its errors kept apart.
report() {
    local name=$1 dir=$2
    shift 2
    "$program" "$@" --csv --log "$dir/pellavane.log" >"$sandbox/$name.out" 2>"$sandbox/$name.err" || fail "$name failed"
}
compare() {
    local what=$1 rotated=$2 whole=$3
    shift 3
    report rotated "$rotated" "$@"
    report whole "$whole" "$@"
    if [ -s "$sandbox/rotated.err" ]; then
        fail "$what over the pieces told: $(cat "$sandbox/rotated.err")"
    elif ! [ -s "$sandbox/whole.out" ] || ! cmp -s "$sandbox/rotated.out" "$sandbox/whole.out"; then
        fail "$what over the pieces differs from the unrotated copy's"
        diff "$sandbox/rotated.out" "$sandbox/whole.out" | head -20
    else
        pass "$what over the pieces equals the unrotated copy's"
    fi
}
[ "$(grep -c ',disconnected,' "$uncut/pellavane.journal.csv")" -ge 2 ] || fail "the run made no outage to report"
for mode in --outages --uptime --quality; do
    compare "journal $mode" "$live" "$uncut" "$mode"
done
# The text log alone, as a history written before the journal existed.
mkdir -p "$sandbox/text-live" "$sandbox/text-uncut"
cp "$live"/pellavane.log* "$sandbox/text-live/"
cp "$uncut/pellavane.log" "$sandbox/text-uncut/"
for mode in --outages --uptime; do
    compare "text log $mode" "$sandbox/text-live" "$sandbox/text-uncut" "$mode"
done

finish logrotate
