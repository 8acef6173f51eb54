#!/usr/bin/env bash
# Starts the real window under Xvfb, with a fake ping and a private home, and writes a PNG of the
# screen so a person can look at it.
#   screenshot.sh [OUT.png] [PROGRAM]   defaults: pellavane-screenshot.png, build/app/pellavane
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-pellavane-screenshot.png}
program=${2:-$top/build/app/pellavane}
if [ ! -x "$program" ]; then
    cmake -S "$top" -B "$top/build-shot" -G Ninja -DPELLAVANE_BENCHMARKS=OFF >/dev/null
    cmake --build "$top/build-shot" --target pellavane -j 2
    program=$top/build-shot/app/pellavane
fi

sandbox=$(mktemp -d /tmp/pellavane-shot.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$sandbox"
}
trap cleanup EXIT

# The probe must never reach the network: this ping answers for loopback, as Linux's does.
mkdir -p "$sandbox/bin" "$sandbox/home" "$sandbox/runtime"
chmod 700 "$sandbox/runtime"
cat >"$sandbox/bin/ping" <<'PING'
#!/bin/sh
cat <<'REPLY'
PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.
64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.120 ms

--- 127.0.0.1 ping statistics ---
1 packets transmitted, 1 received, 0% packet loss, time 0ms
rtt min/avg/max/mdev = 0.120/0.120/0.120/0.000 ms
REPLY
PING
chmod +x "$sandbox/bin/ping"

display=:$((90 + RANDOM % 9))
while [ -e "/tmp/.X11-unix/X${display#:}" ]; do display=:$((${display#:} + 1)); done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp &
pids+=($!)
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done

export DISPLAY=$display PATH="$sandbox/bin:$PATH" PELLAVANE_PROBE_HOST=127.0.0.1
export HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/home/.config" XDG_STATE_HOME="$sandbox/home/.local/state"
export XDG_RUNTIME_DIR="$sandbox/runtime" TMPDIR="$sandbox" DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
unset QT_QPA_PLATFORM

if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    pids+=($!)
fi
"$program" &
pids+=($!)
for _ in $(seq 100); do
    xdotool search --name '^Pellavane$' >/dev/null 2>&1 && break
    sleep 0.1
done
sleep "${PELLAVANE_SHOT_WAIT:-2}"
import -window root "$out"
echo "wrote $out"
