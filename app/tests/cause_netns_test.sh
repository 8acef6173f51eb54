#!/usr/bin/env bash
# The cause of a failed check as pellavane --check finds it, in a network namespace of the test's own:
# a veth pair, addresses of the documentation range and a default route to 192.0.2.1. The namespace
# only holds routes, links and neighbour entries for the program to read; ping is a script that
# decides what answers and sends nothing, and the namespace has no way out anyway.
#   cause_netns_test.sh PROGRAM
set -euo pipefail
program=$1

if [ "${PELLAVANE_IN_NETNS:-}" != 1 ]; then
    if [ "$(id -u)" -ne 0 ] || ! unshare -n true 2>/dev/null || ! command -v ip >/dev/null; then
        echo "SKIP: a private network namespace needs root, unshare -n and ip (package iproute2)"
        exit 77
    fi
    PELLAVANE_IN_NETNS=1 exec unshare -n bash "$0" "$@"
fi

# shellcheck source=scripts/lib/testlib.sh
. "$(dirname "$0")/../../scripts/lib/testlib.sh"
sandbox_start pellavane-cause
sandbox_fake_ping
# Every host is silent unless a case makes it answer or fail to resolve.
fake_ping silent
pinged=$sandbox/ping/pinged
export PATH="$sandbox/bin:/usr/sbin:/usr/bin:/sbin:/bin" LC_ALL=C TZ=UTC0
unset PELLAVANE_PROBE_HOST PELLAVANE_PROBE_HOSTS DISPLAY WAYLAND_DISPLAY

ip link add v0 type veth peer name v1
ip addr add 192.0.2.2/24 dev v0
ip link set v0 up
ip link set v1 up

fail_case() {
    fail "$case_name: $*"
}

# check NAME HOSTS STATUS CAUSE STDERR-LINE: one pellavane --check against HOSTS, which must exit
# with STATUS, write CAUSE in the journal row and STDERR-LINE (or nothing) on standard error.
check() {
    case_name=$1
    local hosts=$2 status=$3 cause=$4 line=$5
    rm -f "$pinged" "$sandbox/log.txt" "$sandbox/log.journal.csv"
    local got=0
    "$program" --check --hosts "$hosts" --log "$sandbox/log.txt" >"$sandbox/out" 2>"$sandbox/err" || got=$?
    [ "$got" = "$status" ] || fail_case "exit status $got, not $status"
    grep -qxE '[0-9/]{10} [0-9:]{8} Internet Connection Status: (Connected|Disconnected)' "$sandbox/out" ||
        fail_case "status line: $(cat "$sandbox/out")"
    # The text log keeps the status line alone.
    cmp -s "$sandbox/out" <(tr -d '\r' <"$sandbox/log.txt") || fail_case "log differs from the status line"
    local detail
    detail=$(tail -n 1 "$sandbox/log.journal.csv" | tr -d '\r' | cut -d, -f6)
    [ "$detail" = "$cause" ] || fail_case "journal detail '$detail', not '$cause'"
    if [ -n "$line" ]; then
        [ "$(cat "$sandbox/err")" = "$line" ] || fail_case "standard error: $(cat "$sandbox/err")"
    else
        [ ! -s "$sandbox/err" ] || fail_case "standard error: $(cat "$sandbox/err")"
    fi
}

pinged_router() { grep -qx '192.0.2.1' "$pinged" 2>/dev/null; }

# No default route yet: no router to ask.
check "no default route" 198.51.100.1,203.0.113.1 1 "no network" \
    "Cause: this computer is on no network (no network)"
pinged_router && fail_case "a router was pinged"

ip route add default via 192.0.2.1 dev v0 onlink

fake_ping_host 192.0.2.1 answer
check "router answers" 198.51.100.1,203.0.113.1 1 provider \
    "Cause: the router answers, the Internet does not (provider)"
pinged_router || fail_case "the router was not pinged"
[ "$(grep -c . "$pinged")" = 5 ] || fail_case "pings: $(tr '\n' ' ' <"$pinged")"
fake_ping_host 192.0.2.1 silent

check "router silent, no neighbour entry" 198.51.100.1,203.0.113.1 1 "local network" \
    "Cause: the router does not answer (local network)"
pinged_router || fail_case "the router was not pinged"

ip neigh add 192.0.2.1 lladdr 02:00:00:00:00:01 dev v0 nud permanent
check "router silent, permanent neighbour entry" 198.51.100.1,203.0.113.1 1 provider \
    "Cause: the router answers, the Internet does not (provider)"
ip neigh del 192.0.2.1 dev v0

fake_ping_host name.test unknown
check "name lookup failing" name.test,203.0.113.1 1 "name lookup failed" \
    "Cause: names are not found (name lookup failed)"

fake_ping_host 198.51.100.1 answer
check "connected" 198.51.100.1,203.0.113.1 0 "" ""
[ "$(cat "$pinged")" = 198.51.100.1 ] || fail_case "pings: $(tr '\n' ' ' <"$pinged")"

# A link without a carrier is no network, whatever the routes say.
fake_ping_host 198.51.100.1 silent
ip link set v1 down
check "link down" 198.51.100.1,203.0.113.1 1 "no network" \
    "Cause: this computer is on no network (no network)"

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "every cause as expected"
