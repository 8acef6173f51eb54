#!/usr/bin/env bash
# Every report (--outages, --uptime, --quality) over damaged histories, as the real program: each
# must end by itself within 10 s with status 0 (read) or 3 (could not be read), never by a signal.
# A history is a text log, the journal beside it, or both: cut off mid-row, binary garbage, NULs, a
# line of a megabyte, a line of nothing but separators, numbers beyond any range, dates that cannot
# exist and time running backwards.
#   damaged_history_test.sh PROGRAM
set -euo pipefail
program=$1

# shellcheck source=scripts/lib/testlib.sh
. "$(dirname "$0")/../../scripts/lib/testlib.sh"
sandbox_start pellavane-damaged
# The C locale writes and reads the text log's dates as MM/DD/YYYY.
export LC_ALL=C TZ=EET-2EEST,M3.5.0/3,M10.5.0/4
unset DISPLAY WAYLAND_DISPLAY

header='time,event,status,rtt_ms,target,detail'
row='2026-12-08T04:45:05+01:00,check,connected,12.5,127.0.0.1,'
line='12/08/2026 04:45:17 Internet Connection Status: Connected'
megabyte() { head -c 1048576 /dev/zero | tr '\0' "$1"; }

# make_history NAME: writes $sandbox/NAME/log.txt and its journal as the case says.
make_history() {
    local dir=$sandbox/$1 log=$sandbox/$1/log.txt journal=$sandbox/$1/log.journal.csv
    mkdir -p "$dir"
    case "$1" in
    cut-mid-row) printf '%s\r\n%s\r\n2026-12-08T04:45:1' "$header" "$row" >"$journal" ;;
    cut-mid-line) printf '%s\r\n12/08/2026 04:4' "$line" >"$log" ;;
    garbage) head -c 65536 /dev/urandom >"$log" && { echo "$header"; head -c 65536 /dev/urandom; } >"$journal" ;;
    nuls) printf '%s\n\0\0\0%s\0\n%s\n' "$header" "$row" "$row" >"$journal" && printf '\0%s\0\n' "$line" >"$log" ;;
    megabyte-line) { echo "$header"; megabyte 7; echo; echo "$row"; } >"$journal" && { megabyte x; echo; } >"$log" ;;
    separators-only) { echo "$header"; megabyte ,; echo; megabyte '"'; echo; } >"$journal" && megabyte ' ' >"$log" ;;
    huge-numbers)
        {
            echo "$header"
            echo '2026-12-08T04:45:00+01:00,start,,,,interval=99999999999999999999'
            echo '2026-12-08T04:45:05+01:00,check,connected,1e308,127.0.0.1,'
            echo '2026-12-08T04:45:06+01:00,echoes,,,127.0.0.1,sent=2147483647 lost=2147483647 rtt=1e308 -1 nan'
            echo '2026-12-08T04:45:07+01:00,clock,,,,by=-9223372036854775808'
            echo '2026-12-08T04:45:08+01:00,clock,,,,by=+99999999999999999999'
            echo '99999999999-12-08T04:45:09+01:00,check,disconnected,,,'
        } >"$journal"
        ;;
    impossible-dates)
        {
            echo "$header"
            echo '2026-02-30T04:45:00+01:00,check,connected,1,127.0.0.1,'
            echo '2026-12-08T25:61:61+01:00,check,connected,1,127.0.0.1,'
            echo '2026-12-08T04:45:00+99:99,check,disconnected,,,'
            echo '0000-00-00T00:00:00Z,check,disconnected,,,'
            echo '-001-12-08T04:45:00Z,stop,,,,'
            echo '3663-12-08T04:45:00+01:00,check,connected,1,127.0.0.1,'
        } >"$journal"
        printf '02/31/2026 04:45:17 Internet Connection Status: Connected\n99/99/9999 99:99:99 Internet Connection Status: Connected\n' >"$log"
        ;;
    reversed-time)
        {
            echo "$header"
            for ((i = 59; i >= 0; i--)); do
                printf '2026-12-08T04:%02d:00+01:00,check,%s,,,\n' "$i" "$([ $((i % 3)) = 0 ] && echo disconnected || echo connected)"
            done
            echo '1970-01-01T00:00:00Z,resume,,,,'
            echo '2100-01-01T00:00:00Z,sleep,,,,'
        } >"$journal"
        printf '12/09/2026 04:45:17 Internet Connection Status: Connected\n12/08/2026 04:45:17 Internet Connection Status: Disconnected\n' >"$log"
        ;;
    *) fatal "no history named $1" ;;
    esac
}

for name in cut-mid-row cut-mid-line garbage nuls megabyte-line separators-only huge-numbers impossible-dates \
    reversed-time; do
    make_history "$name"
    for report in --outages --uptime --quality; do
        status=0
        timeout -s KILL 10 "$program" "$report" --log "$sandbox/$name/log.txt" >"$sandbox/out" \
            2>"$sandbox/report.err" || status=$?
        if [ "$status" = 0 ] || [ "$status" = 3 ]; then
            pass "$report over $name: status $status"
        elif [ "$status" = 137 ]; then
            fail "$report over $name did not end within 10 s"
        else
            fail "$report over $name ended with status $status"
            cat "$sandbox/report.err"
        fi
    done
done
finish "damaged history"
