# shellcheck shell=bash
# A private X desktop for the scripts that start the real window: sourced, not run.
# Xvfb on a display number of its own choosing, optionally openbox and a trayer panel, a fake ping
# first on PATH and a private home, so nothing touches the network or the real user's files.
# Every background process started here is ended by desktop_cleanup, which the caller traps on EXIT.

desktop_pids=()
desktop_sandbox=

# Microseconds since the epoch, for the waits below.
desktop_now() {
    echo "${EPOCHREALTIME/[.,]/}"
}

# wait_until SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; false after SECONDS
# (whole seconds). COMMAND itself must not block: wrap X clients in timeout.
wait_until() {
    local limit=$1
    shift
    local deadline=$(($(desktop_now) + limit * 1000000))
    while true; do
        if "$@"; then
            return 0
        fi
        if [ "$(desktop_now)" -gt "$deadline" ]; then
            return 1
        fi
        sleep 0.1
    done
}

desktop_cleanup() {
    local pid
    # The newest first: the program, then the panel, the window manager, the X server last.
    for ((i = ${#desktop_pids[@]} - 1; i >= 0; i--)); do
        pid=${desktop_pids[i]}
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${desktop_pids[@]}"; do
        # A process that ignores the polite request gets a second and then is killed.
        wait_until 2 desktop_gone "$pid" || kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    desktop_pids=()
    if [ -n "$desktop_sandbox" ]; then
        rm -rf "$desktop_sandbox"
    fi
}

desktop_gone() {
    ! kill -0 "$1" 2>/dev/null
}

# Makes the sandbox with a fake ping that answers as Linux's does for loopback, and points HOME,
# the XDG folders and TMPDIR into it.
desktop_sandbox_setup() {
    desktop_sandbox=$(mktemp -d /tmp/pellavane-desktop.XXXXXX)
    mkdir -p "$desktop_sandbox/bin" "$desktop_sandbox/home" "$desktop_sandbox/runtime"
    chmod 700 "$desktop_sandbox/runtime"
    cat >"$desktop_sandbox/bin/ping" <<'FAKE_PING'
#!/bin/sh
cat <<'REPLY'
PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.
64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.120 ms

--- 127.0.0.1 ping statistics ---
1 packets transmitted, 1 received, 0% packet loss, time 0ms
rtt min/avg/max/mdev = 0.120/0.120/0.120/0.000 ms
REPLY
FAKE_PING
    chmod +x "$desktop_sandbox/bin/ping"
    export PATH="$desktop_sandbox/bin:$PATH" PELLAVANE_PROBE_HOST=127.0.0.1 PELLAVANE_CHECK_URL=
    export HOME="$desktop_sandbox/home" XDG_CONFIG_HOME="$desktop_sandbox/home/.config"
    export XDG_STATE_HOME="$desktop_sandbox/home/.local/state" XDG_DATA_HOME="$desktop_sandbox/home/.local/share"
    export XDG_RUNTIME_DIR="$desktop_sandbox/runtime" TMPDIR="$desktop_sandbox"
    # No session bus: otherwise libdbus starts a daemon that outlives the test.
    export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
}

desktop_display_ready() {
    timeout 2 xwininfo -root -display "$1" >/dev/null 2>&1
}

# Starts Xvfb on a display number of its own, away from the low numbers other sessions use, and
# exports DISPLAY once the server answers a client: its socket file appears before it does. It must
# not reset when that client leaves, or the next client may find no server for a moment. Another
# server may take the same number at the same moment; then the next number is tried.
desktop_start_xvfb() {
    local attempt number pid
    for attempt in 1 2 3 4 5; do
        number=$((200 + RANDOM % 700))
        if [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; then
            continue
        fi
        Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset >"$desktop_sandbox/xvfb.log" 2>&1 &
        pid=$!
        if wait_until 10 desktop_display_ready ":$number" && kill -0 "$pid" 2>/dev/null; then
            desktop_pids+=("$pid")
            export DISPLAY=":$number"
            return 0
        fi
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        echo "Xvfb :$number did not start (attempt $attempt):" >&2
        cat "$desktop_sandbox/xvfb.log" >&2
    done
    echo "FAIL: Xvfb did not start" >&2
    return 1
}

desktop_wm_running() {
    timeout 5 wmctrl -m >/dev/null 2>&1
}

desktop_start_openbox() {
    openbox >"$desktop_sandbox/openbox.log" 2>&1 &
    desktop_pids+=($!)
    if ! wait_until 10 desktop_wm_running; then
        echo "FAIL: openbox did not start:" >&2
        cat "$desktop_sandbox/openbox.log" >&2
        return 1
    fi
}

desktop_panel_window() {
    timeout 5 xdotool search --name '^panel$' 2>/dev/null | head -n 1
}

desktop_panel_up() {
    [ -n "$(desktop_panel_window)" ]
}

desktop_start_trayer() {
    trayer --edge top --align right --width 10 --height 32 --SetDockType false --transparent false \
        >"$desktop_sandbox/trayer.log" 2>&1 &
    desktop_pids+=($!)
    if ! wait_until 10 desktop_panel_up; then
        echo "FAIL: trayer did not start:" >&2
        cat "$desktop_sandbox/trayer.log" >&2
        return 1
    fi
}
