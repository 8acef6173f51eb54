# shellcheck shell=bash
# What the test and bench scripts share, sourced, not run: a private home in a fresh folder, a fake
# ping first on PATH, bounded waits, the background processes a script starts, and PASS/FAIL lines
# with a count. Whatever runs inside reaches neither the real user's files, a web address nor a real
# bus; with the fake ping, nothing is pinged either.

# Sourced once per script, though both a script and desktop.sh may ask: a second time would forget
# the sandbox and its processes.
if [ -n "${pellavane_testlib:-}" ]; then
    return 0
fi
pellavane_testlib=1
sandbox=
# Background processes, ended newest first by sandbox_cleanup.
sandbox_pids=()
failures=0

# Microseconds since the epoch, for the waits and for timing.
now_us() {
    echo "${EPOCHREALTIME/[.,]/}"
}

# wait_until SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; false after SECONDS
# (whole seconds). COMMAND itself must not block: wrap clients of a server in timeout.
wait_until() {
    local limit=$1
    shift
    local deadline=$(($(now_us) + limit * 1000000))
    while true; do
        if "$@"; then
            return 0
        fi
        if [ "$(now_us)" -gt "$deadline" ]; then
            return 1
        fi
        sleep 0.1
    done
}

process_gone() {
    ! kill -0 "$1" 2>/dev/null
}

# sandbox_start NAME: a fresh folder /tmp/NAME.XXXXXX holding the home, the XDG folders and TMPDIR,
# removed on exit with every process in sandbox_pids ended. The real user's settings, autostart
# folder and log are never seen; there is no web check, and no session or system bus is reached.
sandbox_start() {
    sandbox=$(mktemp -d "/tmp/$1.XXXXXX")
    trap sandbox_cleanup EXIT
    trap 'exit 130' INT TERM
    mkdir -p "$sandbox/bin" "$sandbox/home" "$sandbox/runtime"
    # Qt ignores a runtime folder that others may enter.
    chmod 700 "$sandbox/runtime"
    export HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/home/.config"
    export XDG_STATE_HOME="$sandbox/home/.local/state" XDG_DATA_HOME="$sandbox/home/.local/share"
    export XDG_RUNTIME_DIR="$sandbox/runtime" TMPDIR="$sandbox"
    # Without a bus of its own a test has none: libdbus would otherwise start a session daemon that
    # outlives it, and a system bus would reach the real logind.
    export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
    export PELLAVANE_CHECK_URL=
}

sandbox_cleanup() {
    local i pid
    # The newest first: the program before the desktop it runs on, the X server last.
    for ((i = ${#sandbox_pids[@]} - 1; i >= 0; i--)); do
        kill "${sandbox_pids[i]}" 2>/dev/null || true
    done
    for pid in "${sandbox_pids[@]}"; do
        # A process that ignores the polite request gets two seconds and then is killed.
        wait_until 2 process_gone "$pid" || kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    sandbox_pids=()
    if [ -n "$sandbox" ]; then
        rm -rf "$sandbox"
    fi
}

# sandbox_spawn NAME COMMAND...: runs COMMAND in the background with its output in $sandbox/NAME.out
# and NAME.err and ends it at cleanup; its process id is left in $spawned.
sandbox_spawn() {
    local name=$1
    shift
    "$@" >"$sandbox/$name.out" 2>"$sandbox/$name.err" &
    spawned=$!
    sandbox_pids+=("$spawned")
}

# sandbox_fake_ping: puts a stand-in for iputils' ping first on PATH and points the program's probe
# at 127.0.0.1. It sends nothing; it prints what Linux's ping prints for the host it is given (its
# last argument) as fake_ping says, one echo line for each of "-c N", and appends the host to
# $sandbox/ping/pinged.
sandbox_fake_ping() {
    mkdir -p "$sandbox/ping"
    cat >"$sandbox/bin/ping" <<FAKE_PING
#!/bin/sh
settings='$sandbox/ping'
FAKE_PING
    cat >>"$sandbox/bin/ping" <<'FAKE_PING'
count=1 previous=
for host; do
    [ "$previous" = -c ] && count=$host
    previous=$host
done
echo "$host" >>"$settings/pinged"
mode=answer
[ -r "$settings/all" ] && read -r mode arg seed <"$settings/all"
[ -r "$settings/host-$host" ] && read -r mode arg seed <"$settings/host-$host"
# Whether echo $1 comes back in this mode.
answered() {
    case $mode in
    silent) return 1 ;;
    lossy) [ "$(od -An -N2 -tu2 /dev/urandom)" -ge "$arg" ] ;;
    lose) case ",$arg," in *",$1,"*) return 1 ;; esac ;;
    seeded)
        # The generator goes on where the last ping left it; a new seed starts it again.
        state=$seed
        [ -r "$settings/state" ] && read -r from next <"$settings/state" && [ "$from" = "$seed" ] && state=$next
        state=$(((state * 1103515245 + 12345) % 2147483648))
        echo "$seed $state" >"$settings/state"
        [ $((state / 65536 % 100)) -ge "$arg" ]
        ;;
    esac
}
case $mode in
silent) sleep "${arg:-0}" ;;
unknown)
    echo "ping: $host: Name or service not known" >&2
    exit 2
    ;;
hang)
    exec sleep 1000
    ;;
flood)
    exec yes "64 bytes from $host: icmp_seq=1 ttl=64 time=0.120 ms"
    ;;
esac
printf 'PING %s (%s) 56(84) bytes of data.\n' "$host" "$host"
seq=1 received=0
while [ "$seq" -le "$count" ]; do
    if answered "$seq"; then
        received=$((received + 1))
        printf '64 bytes from %s: icmp_seq=%s ttl=64 time=0.120 ms\n' "$host" "$seq"
    fi
    seq=$((seq + 1))
done
printf '\n--- %s ping statistics ---\n' "$host"
printf '%s packets transmitted, %s received, %s%% packet loss, time 0ms\n' "$count" "$received" \
    $(((count - received) * 100 / count))
[ "$received" -gt 0 ] || { printf '\n'; exit 1; }
printf 'rtt min/avg/max/mdev = 0.120/0.120/0.120/0.000 ms\n'
FAKE_PING
    chmod 755 "$sandbox/bin/ping"
    export PATH="$sandbox/bin:$PATH" PELLAVANE_PROBE_HOST=127.0.0.1
    unset PELLAVANE_PROBE_HOSTS
}

# fake_ping MODE [ARGUMENT]: how the fake ping answers from now on, for every host without a mode of
# its own:
#   answer      an echo comes back at once (the mode it starts in)
#   silent [S]  no echo comes back within the S seconds of its wait (default 0)
#   lossy N     each echo is lost when a random 16-bit number falls below N (of 65536)
#   lose S,T    the echoes of sequence numbers S, T, ... (from 1) are lost in every ping
#   seeded P S  each echo is lost with a chance of P percent, drawn from a generator seeded with S
#               and carried from ping to ping, so a seed gives the same losses every run
#   unknown     the name does not resolve
#   hang        ping never ends
#   flood       ping prints echo lines without end
# The switch is one rename, so a ping running meanwhile reads the old mode or the new, never half.
fake_ping() {
    echo "$*" >"$sandbox/ping/all.new"
    mv -f "$sandbox/ping/all.new" "$sandbox/ping/all"
}

# fake_ping_host HOST MODE [ARGUMENT]: the same for HOST alone.
fake_ping_host() {
    local host=$1
    shift
    echo "$*" >"$sandbox/ping/host-$host.new"
    mv -f "$sandbox/ping/host-$host.new" "$sandbox/ping/host-$host"
}

pass() { echo "PASS: $*"; }
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# What the programs of a failed run printed: every $sandbox/*.err and the files named in show_also.
show_also=()
show_errors() {
    local f
    for f in "$sandbox"/*.err "${show_also[@]}"; do
        if [ -s "$f" ]; then
            echo "--- $(basename "$f")"
            cat "$f"
        fi
    done
}

# A step the rest depends on: when it fails, say what the programs printed and stop.
fatal() {
    fail "$*"
    show_errors
    exit 1
}

# finish WHAT: the last line of a run, "PASS: the WHAT test", or the count of failed checks and what
# the programs printed, with exit status 1.
finish() {
    if [ "$failures" -gt 0 ]; then
        show_errors
        echo "FAIL: $failures $1 check(s) failed"
        exit 1
    fi
    echo "PASS: the $1 test"
}
