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

# A name with an address of each family, from a hosts file of this run's own; lookups go to that
# file alone, never to a name server.
printf '127.0.0.1 localhost\n::1 localhost\n%s dual.test\n%s dual.test\n' "$v4_target" "$v6_target" \
    >"$sandbox/hosts"
[ -e /etc/nsswitch.conf ] || fatal "no /etc/nsswitch.conf to put this run's own over"
sed 's/^hosts:.*/hosts: files/' /etc/nsswitch.conf >"$sandbox/nsswitch.conf"
mount --bind "$sandbox/hosts" /etc/hosts
mount --bind "$sandbox/nsswitch.conf" /etc/nsswitch.conf

v6_route() { ip -6 route "$1" default via "$v6_router" dev v0; }
v6_route add

# echo_replies V4 V6: whether the far side answers echo requests of each family (1 or 0).
echo_replies() {
    far sysctl -qw net.ipv4.icmp_echo_ignore_all=$((1 - $1)) net.ipv6.icmp.echo_ignore_all=$((1 - $2))
}

answers() { /usr/bin/ping -c 1 -W 1 "$@" >/dev/null 2>&1 && echo 1 || echo 0; }

# harness NAME V4 V6: plain ping finds each family answering (1) or not (0) as the namespaces are
# now, by address and by name.
harness() {
    local got
    got="$(answers "$v4_target") $(answers "$v6_target") $(answers -4 dual.test) $(answers -6 dual.test)"
    [ "$got" = "$2 $3 $2 $3" ] || fatal "harness, $1: IPv4, IPv6 and the name's two answered '$got'"
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

# The cases below need the program to choose families (--families) and to report one (--family);
# until its help names both, the namespaces alone are tested.
help=$("$program" --help)
if ! grep -q -- --families <<<"$help" || ! grep -qE -- '--family([^a-z]|$)' <<<"$help"; then
    echo "SKIP: the namespaces work; $program has no --families or no --family to test yet"
    exit 77
fi

# The program's ping: the real one, each command line appended to $pinged first.
pinged=$sandbox/pinged
cat >"$sandbox/bin/ping" <<LOGGING_PING
#!/bin/sh
echo "\$*" >>'$pinged'
exec /usr/bin/ping "\$@"
LOGGING_PING
chmod 755 "$sandbox/bin/ping"

# What was pinged since $pinged was last removed, as "FAMILY TARGET" pairs in sorted order: the
# family that -4 or -6 names, else that of the address's form.
pings() {
    [ -e "$pinged" ] || return 0
    awk '{ family = $NF ~ /:/ ? 6 : 4
           for (i = 1; i < NF; i++) if ($i == "-4" || $i == "-6") family = substr($i, 2)
           print family, $NF }' "$pinged" | sort | paste -sd ' '
}

fail_case() { fail "$case_name: $*"; }

# The journal's family rows of a file as "EVENT,STATUS,DETAIL" lines.
family_rows() { [ ! -e "$1" ] || tr -d '\r' <"$1" | awk -F, '$2 ~ /^ipv[46]$/ { print $2 "," $3 "," $6 }'; }

# check NAME STATUS PINGS ROWS LINE ARGS...: one pellavane --check --log with ARGS, which must exit
# with STATUS, ping PINGS (as pings gives them) and write ROWS (as family_rows gives them, "\n"
# between, or anything for "*") beside the check row; standard error holds LINE among its lines, or
# nothing when LINE is empty.
check_log=$sandbox/check.txt
check() {
    case_name=$1
    local status=$2 expected=$3 rows=$4 line=$5 got=0
    shift 5
    rm -f "$pinged" "$check_log" "$sandbox/check.journal.csv"
    "$program" --check --log "$check_log" "$@" >"$sandbox/check.out" 2>"$sandbox/check.err" || got=$?
    [ "$got" = "$status" ] || fail_case "exit status $got, not $status"
    [ "$(pings)" = "$expected" ] || fail_case "pinged '$(pings)', not '$expected'"
    [ "$rows" = "*" ] || [ "$(family_rows "$sandbox/check.journal.csv")" = "$(printf '%b' "$rows")" ] ||
        fail_case "family rows: $(family_rows "$sandbox/check.journal.csv" | paste -sd ' ')"
    if [ -n "$line" ]; then
        grep -qxF "$line" "$sandbox/check.err" || fail_case "standard error: $(cat "$sandbox/check.err")"
    else
        [ ! -s "$sandbox/check.err" ] || fail_case "standard error: $(cat "$sandbox/check.err")"
    fi
}

both=$v4_target,$v6_target
v4="4 $v4_target"
v6="6 $v6_target"
# While every family answers: one ping per family, and no family row, since none differs from the
# check.
check "both answer" 0 "$v4 $v6" "" "" --hosts "$both"
check "--families auto" 0 "$v4 $v6" "" "" --hosts "$both" --families auto
check "--families 4" 0 "$v4" "" "" --hosts "$both" --families 4
check "--families 6" 0 "$v6" "" "" --hosts "$both" --families 6
check "a name, once per family" 0 "4 dual.test 6 dual.test" "" "" --hosts dual.test
# A silent family gets its confirming round, with its own router, and the other family is not
# pinged again.
echo_replies 1 0
check "IPv6 silent" 0 "$v4 $v6 $v6 6 $v6_router" "ipv6,disconnected,provider" \
    "IPv6: disconnected (provider)" --hosts "$both"
echo_replies 1 1
# Whether a family that is not configured gets a row of its own is the record's business; here
# only that it is never pinged.
v6_route del
check "no IPv6 default route" 0 "$v4" "*" "" --hosts "$both"
v6_route add

# The schedule at a 1 s interval, one family silenced at a time and then both, all in one journal
# for the reports after it.
log=$sandbox/net.txt
journal=$sandbox/net.journal.csv
rm -f "$pinged"
sandbox_spawn console "$program" --console --interval 1s --hosts "$both" --log "$log"
console_pid=$spawned
show_also+=("$sandbox/console.out" "$journal")

rows_after() { [ ! -e "$journal" ] || tr -d '\r' <"$journal" | tail -n +$(($1 + 1)); }
# The journal's row count now, to look at what comes after it.
mark() { if [ -e "$journal" ]; then wc -l <"$journal"; else echo 0; fi; }
# has_row FROM EVENT STATUS: a row of EVENT with STATUS after row FROM.
has_row() { rows_after "$1" | grep -q "^[^,]*,$2,$3,"; }
# checks_until FROM EVENT STATUS: how many checks after row FROM were written up to the first row of
# EVENT with STATUS, that one's own check included.
checks_until() {
    rows_after "$1" | awk -F, -v event="$2" -v status="$3" '
        t != "" { if ($1 != t) exit; if ($2 == "check") n++; next }
        $2 == "check" { n++ }
        $2 == event && $3 == status { t = $1 }
        END { print n + 0 }'
}
console_said() { cat "$sandbox/console.out" "$sandbox/console.err" | grep -qE "$1"; }

first_check() { has_row 0 check connected && has_row 0 ipv4 connected && has_row 0 ipv6 connected; }
wait_until 20 first_check || fatal "console: no first check with both families' rows connected"

# lose FAMILY: the far side leaves FAMILY (4 or 6) alone unanswered; its row says so within two
# checks, with no check Disconnected and the other family connected throughout, until the replies
# are back and so is its row.
lose() {
    case_name="IPv$1 silent"
    local other=$((10 - $1)) from back
    from=$(mark)
    echo_replies $(($1 == 6)) $(($1 == 4))
    wait_until 40 has_row "$from" "ipv$1" disconnected || fatal "$case_name: no ipv$1 row disconnected"
    [ "$(checks_until "$from" "ipv$1" disconnected)" -le 2 ] ||
        fail_case "the ipv$1 row came after $(checks_until "$from" "ipv$1" disconnected) checks"
    back=$(mark)
    echo_replies 1 1
    wait_until 40 has_row "$back" "ipv$1" connected || fatal "$case_name: no ipv$1 row connected again"
    ! has_row "$from" check disconnected || fail_case "a check was Disconnected"
    ! has_row "$from" "ipv$other" disconnected || fail_case "IPv$other was disconnected"
}
lose 6
console_said "IPv6 lost at ([0-9/.-]+ )?[0-9]+:[0-9]{2}(:[0-9]{2})?; IPv4 works" || fail "console: no line telling IPv6 lost"
console_said "IPv6 back at ([0-9/.-]+ )?[0-9]+:[0-9]{2}" || fail "console: no line telling IPv6 back"
lose 4

case_name="both silent"
from=$(mark)
echo_replies 0 0
wait_until 40 has_row "$from" check disconnected || fatal "$case_name: no Disconnected check"
back=$(mark)
echo_replies 1 1
wait_until 40 has_row "$back" check connected || fatal "$case_name: no Connected check after"

kill "$console_pid"
wait_until 30 process_gone "$console_pid" || fatal "console: still running 30 s after SIGTERM"
console_status=0
wait "$console_pid" || console_status=$?
[ "$console_status" = 0 ] || fail "console: exit status $console_status"
# The console is gone and reaped: only the far side is left for the cleanup to end.
sandbox_pids=("$far_pid")

# report ARGS...: the report of the console's history as CSV, without its header.
report() { "$program" "$@" --log "$log" --csv | tail -n +2; }
# column N: the sum of CSV column N of standard input.
column() { awk -F, -v n="$1" '{ s += $n } END { print s + 0 }'; }
case_name="reports"
[ "$(report --outages | cut -d, -f4 | paste -sd ' ')" = provider ] ||
    fail_case "--outages: $(report --outages | paste -sd ' ')"
# Each family was down alone once, and with the other once.
for family in 4 6; do
    [ "$(report --outages --family "$family" | grep -c .)" = 2 ] ||
        fail_case "--outages --family $family: $(report --outages --family "$family" | paste -sd ' ')"
    [ "$(report --uptime --family "$family" | column 5)" = 2 ] ||
        fail_case "--uptime --family $family: $(report --uptime --family "$family" | paste -sd ' ')"
    [ "$(report --uptime --family "$family" | column 3)" -gt "$(report --uptime | column 3)" ] ||
        fail_case "--uptime --family $family is down no longer than the check"
done
for mode in --outages --uptime; do
    got=0
    "$program" "$mode" --family 5 --log "$log" >/dev/null 2>&1 || got=$?
    [ "$got" = 2 ] || fail_case "$mode --family 5: exit status $got, not 2"
done

finish "families"
