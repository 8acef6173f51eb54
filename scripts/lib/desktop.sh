# shellcheck shell=bash
# A private X desktop for the scripts that start the real window: sourced, not run. Xvfb on a display
# number of its own choosing, optionally openbox and a trayer panel, in the sandbox of testlib.sh
# with its fake ping, so nothing touches the network or the real user's files. Every background
# process started here is ended by sandbox_cleanup on exit.

# shellcheck source=scripts/lib/testlib.sh
. "$(dirname "${BASH_SOURCE[0]}")/testlib.sh"

# The sandbox with a fake ping that answers as Linux's does for loopback, and no display but ours.
desktop_sandbox_setup() {
    sandbox_start pellavane-desktop
    sandbox_fake_ping
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
        Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset >"$sandbox/xvfb.log" 2>&1 &
        pid=$!
        if wait_until 10 desktop_display_ready ":$number" && kill -0 "$pid" 2>/dev/null; then
            sandbox_pids+=("$pid")
            export DISPLAY=":$number"
            return 0
        fi
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        echo "Xvfb :$number did not start (attempt $attempt):" >&2
        cat "$sandbox/xvfb.log" >&2
    done
    echo "FAIL: Xvfb did not start" >&2
    return 1
}

desktop_wm_running() {
    timeout 5 wmctrl -m >/dev/null 2>&1
}

# desktop_launch NAME READY COMMAND...: starts a part of the desktop in the background and waits up
# to 10 s for READY to succeed; on failure says what the part printed.
desktop_launch() {
    local name=$1 ready=$2
    shift 2
    "$@" >"$sandbox/$name.log" 2>&1 &
    sandbox_pids+=($!)
    if ! wait_until 10 "$ready"; then
        echo "FAIL: $name did not start:" >&2
        cat "$sandbox/$name.log" >&2
        return 1
    fi
}

desktop_start_openbox() {
    desktop_launch openbox desktop_wm_running openbox
}

desktop_panel_window() {
    timeout 5 xdotool search --name '^panel$' 2>/dev/null | head -n 1
}

desktop_panel_up() {
    [ -n "$(desktop_panel_window)" ]
}

desktop_start_trayer() {
    desktop_launch trayer desktop_panel_up \
        trayer --edge top --align right --width 10 --height 32 --SetDockType false --transparent false
}

# The whole desktop the tray tests want: Xvfb, openbox and a trayer panel.
desktop_start() {
    desktop_start_xvfb && desktop_start_openbox && desktop_start_trayer
}

# desktop_window TITLE: the first visible window of exactly that title, if any.
desktop_window() {
    timeout 5 xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

desktop_shown_or_ended() {
    [ -n "$(desktop_window "$1")" ] || process_gone "$2"
}

# desktop_wait_window TITLE PID: prints the window of that title once it is shown; false when PID
# ends first or 20 s go by.
desktop_wait_window() {
    local window
    wait_until 20 desktop_shown_or_ended "$1" "$2" || return 1
    window=$(desktop_window "$1")
    [ -n "$window" ] && echo "$window"
}

# "W H X Y" of the program's docked tray icon, in root coordinates: the program's own window in the
# tree of trayer's panel.
desktop_icon_geometry() {
    local panel
    panel=$(desktop_panel_window)
    [ -n "$panel" ] || return 1
    timeout 5 xwininfo -tree -id "$panel" 2>/dev/null |
        sed -n 's/.*"pellavane": ("pellavane" "pellavane") *\([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]* *+\([-0-9]*\)+\([-0-9]*\).*/\1 \2 \3 \4/p' |
        head -n 1
}

desktop_icon_docked() {
    [ -n "$(desktop_icon_geometry)" ]
}

# desktop_mark_colour PICTURE: the colour of the tray icon's mark in a picture of the icon as a
# panel shows it: green, red, grey, amber, or none. A colour counts from 8 pixels of exactly it.
desktop_mark_colour() {
    local histogram colour
    histogram=$(convert "$1" -format %c histogram:info:-)
    for colour in green:1FA83A red:E01B24 grey:8A8A8A amber:F5A623; do
        if [ "$(grep -i "#${colour#*:}" <<<"$histogram" | awk '{n += $1} END {print n + 0}')" -ge 8 ]; then
            echo "${colour%%:*}"
            return 0
        fi
    done
    echo none
}

# A picture of what the program drew, as a person looking at it would want it: an all-black one
# means nothing was drawn, and is refused rather than handed on.
desktop_check_picture() {
    local mean
    mean=$(identify -format '%[fx:int(mean*1000)]' "$1")
    if [ "$mean" -lt 20 ]; then
        echo "The picture $1 is black: nothing was drawn on the display." >&2
        return 1
    fi
    echo "wrote $1"
}
