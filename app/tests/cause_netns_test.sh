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

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
# The host is ping's last argument. It answers when a file answers-HOST exists; a name with a file
# unknown-HOST does not resolve; everything else is silent.
cat >"$work/bin/ping" <<SCRIPT
#!/bin/sh
for host; do :; done
echo "\$host" >>"$work/pinged"
if [ -e "$work/answers-\$host" ]; then
    echo "PING \$host (\$host) 56(84) bytes of data."
    echo "64 bytes from \$host: icmp_seq=1 ttl=64 time=0.120 ms"
    echo "1 packets transmitted, 1 received, 0% packet loss, time 0ms"
    exit 0
fi
if [ -e "$work/unknown-\$host" ]; then
    echo "ping: \$host: Name or service not known" >&2
    exit 2
fi
echo "1 packets transmitted, 0 received, 100% packet loss, time 0ms"
exit 1
SCRIPT
chmod 755 "$work/bin/ping"

export PATH="$work/bin:/usr/sbin:/usr/bin:/sbin:/bin" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export XDG_STATE_HOME="$work/home/.state" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work"
export PELLAVANE_CHECK_URL= DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent LC_ALL=C TZ=UTC0
unset PELLAVANE_PROBE_HOST PELLAVANE_PROBE_HOSTS DISPLAY WAYLAND_DISPLAY

ip link add v0 type veth peer name v1
ip addr add 192.0.2.2/24 dev v0
ip link set v0 up
ip link set v1 up

failures=0
fail() {
    echo "FAIL: $case_name: $*"
    failures=$((failures + 1))
}

# check NAME HOSTS STATUS CAUSE STDERR-LINE: one pellavane --check against HOSTS, which must exit
# with STATUS, write CAUSE in the journal row and STDERR-LINE (or nothing) on standard error.
check() {
    case_name=$1
    local hosts=$2 status=$3 cause=$4 line=$5
    rm -f "$work/pinged" "$work/log.txt" "$work/log.journal.csv"
    local got=0
    "$program" --check --hosts "$hosts" --log "$work/log.txt" >"$work/out" 2>"$work/err" || got=$?
    [ "$got" = "$status" ] || fail "exit status $got, not $status"
    grep -qxE '[0-9/]{10} [0-9:]{8} Internet Connection Status: (Connected|Disconnected)' "$work/out" ||
        fail "status line: $(cat "$work/out")"
    # The text log keeps the status line alone.
    cmp -s "$work/out" <(tr -d '\r' <"$work/log.txt") || fail "log differs from the status line"
    local detail
    detail=$(tail -n 1 "$work/log.journal.csv" | tr -d '\r' | cut -d, -f6)
    [ "$detail" = "$cause" ] || fail "journal detail '$detail', not '$cause'"
    if [ -n "$line" ]; then
        [ "$(cat "$work/err")" = "$line" ] || fail "standard error: $(cat "$work/err")"
    else
        [ ! -s "$work/err" ] || fail "standard error: $(cat "$work/err")"
    fi
}

pinged_router() { grep -qx '192.0.2.1' "$work/pinged" 2>/dev/null; }

# No default route yet: no router to ask.
check "no default route" 198.51.100.1,203.0.113.1 1 "no network" \
    "Cause: this computer is on no network (no network)"
pinged_router && fail "a router was pinged"

ip route add default via 192.0.2.1 dev v0 onlink

touch "$work/answers-192.0.2.1"
check "router answers" 198.51.100.1,203.0.113.1 1 provider \
    "Cause: the router answers, the Internet does not (provider)"
pinged_router || fail "the router was not pinged"
[ "$(grep -c . "$work/pinged")" = 5 ] || fail "pings: $(tr '\n' ' ' <"$work/pinged")"
rm "$work/answers-192.0.2.1"

check "router silent, no neighbour entry" 198.51.100.1,203.0.113.1 1 "local network" \
    "Cause: the router does not answer (local network)"
pinged_router || fail "the router was not pinged"

ip neigh add 192.0.2.1 lladdr 02:00:00:00:00:01 dev v0 nud permanent
check "router silent, permanent neighbour entry" 198.51.100.1,203.0.113.1 1 provider \
    "Cause: the router answers, the Internet does not (provider)"
ip neigh del 192.0.2.1 dev v0

touch "$work/unknown-name.test"
check "name lookup failing" name.test,203.0.113.1 1 "name lookup failed" \
    "Cause: names are not found (name lookup failed)"

touch "$work/answers-198.51.100.1"
check "connected" 198.51.100.1,203.0.113.1 0 "" ""
[ "$(cat "$work/pinged")" = 198.51.100.1 ] || fail "pings: $(tr '\n' ' ' <"$work/pinged")"

# A link without a carrier is no network, whatever the routes say.
rm "$work/answers-198.51.100.1"
ip link set v1 down
check "link down" 198.51.100.1,203.0.113.1 1 "no network" \
    "Cause: this computer is on no network (no network)"

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "every cause as expected"
