#!/usr/bin/env bash
# IPv4 and IPv6 told apart by pellavane with the real ping, between two network namespaces of the
# test's own joined by a veth pair: this side holds the program, the far side is the router and
# holds the targets on its loopback. Documentation addresses only; the far side has no link but the
# pair, so nothing leaves. Each family is silenced on the far side with that namespace's own sysctl.
#   families_netns_test.sh PROGRAM
set -euo pipefail
program=$1

if [ "${PELLAVANE_IN_NETNS:-}" != 1 ]; then
    if [ "$(id -u)" -ne 0 ] || ! unshare -n -m true 2>/dev/null || ! command -v ip nsenter >/dev/null ||
        [ ! -x /usr/bin/ping ]; then
        echo "SKIP: two private network namespaces need root, unshare -n -m, nsenter, ip (iproute2)" \
            "and /usr/bin/ping (iputils-ping)"
        exit 77
    fi
    # A mount namespace of its own too, so that the hosts file the name case needs is this run's.
    PELLAVANE_IN_NETNS=1 exec unshare -n -m bash "$0" "$@"
fi

# shellcheck source=scripts/lib/testlib.sh
. "$(dirname "$0")/../../scripts/lib/testlib.sh"
sandbox_start pellavane-families
export PATH="$sandbox/bin:/usr/sbin:/usr/bin:/sbin:/bin" LC_ALL=C TZ=UTC0
unset PELLAVANE_PROBE_HOST PELLAVANE_PROBE_HOSTS DISPLAY WAYLAND_DISPLAY

v4_target=198.51.100.7
v6_target=2001:db8:7::7
v4_router=192.0.2.1
v6_router=2001:db8::1

# The far side: a process asleep in a network namespace of its own, ended at cleanup, which takes
# its end of the pair with it.
sandbox_spawn far unshare -n sleep infinity
far_pid=$spawned
far_ready() { [ "$(readlink "/proc/$far_pid/ns/net")" != "$(readlink /proc/self/ns/net)" ]; }
wait_until 5 far_ready || fatal "the far side's namespace did not come up"
far() { nsenter -t "$far_pid" -n "$@"; }

ip link set lo up
ip link add v0 type veth peer name v1
ip link set v1 netns "$far_pid"
ip addr add 192.0.2.2/24 dev v0
ip -6 addr add 2001:db8::2/64 dev v0 nodad
ip link set v0 up
far ip link set lo up
far ip addr add "$v4_router/24" dev v1
far ip -6 addr add "$v6_router/64" dev v1 nodad
far ip addr add "$v4_target/32" dev lo
far ip -6 addr add "$v6_target/128" dev lo
far ip link set v1 up
ip route add default via "$v4_router" dev v0
# Neighbour entries pinned both ways: a silent router is "provider" every run rather than whatever
# state the kernel's entry happens to be in, and the first IPv6 echo does not wait on the far side's
# neighbour discovery.
mac() { awk '{ print $3 }'; }
near_mac=$(ip -br link show v0 | mac)
far_mac=$(far ip -br link show v1 | mac)
ip neigh replace "$v4_router" lladdr "$far_mac" dev v0 nud permanent
ip neigh replace "$v6_router" lladdr "$far_mac" dev v0 nud permanent
far ip neigh replace 192.0.2.2 lladdr "$near_mac" dev v1 nud permanent
far ip neigh replace 2001:db8::2 lladdr "$near_mac" dev v1 nud permanent

v6_route() { ip -6 route "$1" default via "$v6_router" dev v0; }
v6_route add

# echo_replies V4 V6: whether the far side answers echo requests of each family (1 or 0).
echo_replies() {
    far sysctl -qw net.ipv4.icmp_echo_ignore_all=$((1 - $1)) net.ipv6.icmp.echo_ignore_all=$((1 - $2))
}

answers() { /usr/bin/ping -c 1 -W 1 "$1" >/dev/null 2>&1; }

# harness NAME V4 V6: plain ping finds each target answering (1) or not (0) as the namespaces are now.
harness() {
    local got
    got="$(answers "$v4_target" && echo 1 || echo 0) $(answers "$v6_target" && echo 1 || echo 0)"
    [ "$got" = "$2 $3" ] || fatal "harness, $1: IPv4 and IPv6 answered '$got', not '$2 $3'"
}
harness "both answer" 1 1
echo_replies 1 0
harness "IPv6 silent" 1 0
echo_replies 0 1
harness "IPv4 silent" 0 1
echo_replies 1 1
v6_route del
harness "no IPv6 default route" 1 0
v6_route add
harness "IPv6 default route back" 1 1

# The cases below need the program's families; until it has them the namespaces alone are tested.
if ! "$program" --help | grep -q -- --families; then
    echo "SKIP: the namespaces work; $program has no --families to test yet"
    exit 77
fi

finish "families"
