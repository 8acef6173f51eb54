# Sourced by the benchmarks that start the program: a private home in a fresh folder under /tmp
# (named after $1), a fake ping first on PATH that always answers, settings that log every 24 hours,
# and no web check or real bus. Sets sandbox and pids; the processes in pids are killed and the
# folder removed on exit.
sandbox=$(mktemp -d "/tmp/$1.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$sandbox"
}
trap cleanup EXIT
mkdir -p "$sandbox/home" "$sandbox/config" "$sandbox/state" "$sandbox/runtime" "$sandbox/bin"
chmod 700 "$sandbox/runtime"
cat >"$sandbox/bin/ping" <<'PING'
#!/bin/sh
echo 'PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.'
echo '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.050 ms'
echo '1 packets transmitted, 1 received, 0% packet loss, time 0ms'
PING
chmod 755 "$sandbox/bin/ping"
# The window logs every 24 hours: once at start, then only its one-second countdown.
printf '[Pellavane]\nOftenIndex=12\nText1=%s\nStartStopState=On\n' "$sandbox/history.txt" >"$sandbox/config/Quillmoor.ini"
export PATH="$sandbox/bin:$PATH" HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/config"
export XDG_STATE_HOME="$sandbox/state" XDG_RUNTIME_DIR="$sandbox/runtime" TMPDIR="$sandbox"
export PELLAVANE_PROBE_HOST=127.0.0.1 DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
# Nothing this runs may reach a web address or a real system bus.
export PELLAVANE_CHECK_URL= DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
unset PELLAVANE_PROBE_HOSTS
