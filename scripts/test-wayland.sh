#!/usr/bin/env bash
# The real window as a native Wayland client under sway (headless), first with no tray at all, then
# with waybar, whose tray is a StatusNotifierWatcher and host on a private session bus. With no tray
# a start "Minimized" leaves the window on screen; a host that comes later gets the icon; the item's
# tool tip and icon follow a loss and a restore; started minimised with a tray the window hides and
# the item's Activate brings it back, as a second start does; on X11 (Xvfb) the host shows it too.
# The item is read over D-Bus.
#   test-wayland.sh [PROGRAM]   default: build-ci/app/pellavane, built when missing
# Run as root, it runs as nobody (sway will not run as root). Every wait is bounded and every
# background process is ended on exit, so it never hangs.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
    top=$(cd "$here/.." && pwd)
    program=${1:-$top/build-ci/app/pellavane}
    if [ ! -x "$program" ]; then
        if [ $# -gt 0 ]; then
            echo "FAIL: no program at $program" >&2
            exit 1
        fi
        cmake -S "$top" -B "$top/build-ci" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLAVANE_WERROR=ON >/dev/null || exit 1
        cmake --build "$top/build-ci" --target pellavane -j 2 || exit 1
    fi
    # shellcheck source=scripts/lib/wayland.sh
    . "$here/lib/wayland.sh"
    wayland_as_user "$here/test-wayland.sh" "$program"
    exit
fi
program=$2

# shellcheck source=scripts/lib/wayland.sh
. "$here/lib/wayland.sh"
wayland_sandbox_setup
mkdir -p "$XDG_CONFIG_HOME"
settings=$XDG_CONFIG_HOME/Quillmoor.ini
# Started at log-on with "Minimized" ticked when $1 is On; logging every second unless $2 is Off.
write_settings() {
    printf '[Pellavane]\nOftenIndex=1\nStartStopState=%s\nWindows%%20Startup=%s\nMinimized=%s\n' \
        "${2:-On}" "$1" "$1" >"$settings"
}
start_program() {
    sandbox_spawn "$1" "$program"
    running=$spawned
}
item_gone() {
    ! wayland_item_registered
}
# Ends the program, and waits for its item to leave the watcher's list so that the next start's
# checks never read the last one's.
stop_program() {
    kill -TERM "$running"
    wait_until 10 process_gone "$running" || fail "the program does not end at SIGTERM"
    wait "$running" 2>/dev/null
    wait_until 10 item_gone || fail "the item stays registered after the program ends"
}
window_is() {
    wayland_window_is Pellavane "$1"
}
window_state() {
    wayland_window Pellavane
}
tip_says() {
    [[ "$(wayland_item_tip)" == "Pellavane: $1"* ]]
}
mark_is() {
    [ "$(wayland_item_mark)" = "$1" ]
}

wayland_start_sway || exit 1
pass "sway runs headless on $WAYLAND_DISPLAY as $(id -un)"

# No tray at all: no watcher, no host, no XEmbed tray.
write_settings On
start_program no-tray
if wait_until 20 window_is visible; then
    sleep 2
    if window_is visible; then
        pass "with no tray a start \"Minimized\" leaves the window on screen"
    else
        fail "with no tray a start \"Minimized\" takes the window off screen ($(window_state))"
    fi
else
    fatal "with no tray the window does not come up ($(window_state))"
fi

# A tray that comes after the program: waybar registers the watcher and itself as the host.
wayland_start_waybar || fatal "waybar does not start"
waybar=$spawned
if wait_until 30 wayland_item_registered; then
    pass "a host registered after start-up gets the icon ($(wayland_items))"
else
    fail "a host registered after start-up gets no icon"
fi
if window_is visible; then pass "the window stays on screen when the tray comes"; else fail "the window is $(window_state) when the tray comes"; fi
stop_program

# With the tray from the start: the window, the item, its tip and mark through a loss and a restore.
write_settings Off
start_program tray
wait_until 20 window_is visible || fatal "with a tray the window does not come up ($(window_state))"
# sway floats a window whose size is fixed, at that size, rather than tiling it.
read -r _ _ width height <<<"$(wayland_window_field Pellavane rect)"
if [ "$(wayland_window_field Pellavane type)" = floating_con ] && [ "$width" -lt 800 ]; then
    pass "the window comes up as a Wayland client, floating at its fixed size (${width}x$height)"
else
    fail "the window is $(wayland_window_field Pellavane type) at ${width}x$height, not floating at its fixed size"
fi
wait_until 10 wayland_item_registered || fatal "the item is not registered with the watcher"
pass "the item is registered: $(wayland_items)"
if wait_until 10 tip_says "Connected since" && wait_until 5 mark_is green; then
    pass "connected: the mark is green and the tip says \"$(wayland_item_tip)\""
else
    fail "connected: the mark is $(wayland_item_mark) and the tip says \"$(wayland_item_tip)\""
fi
panel_mark_is() {
    [ "$(wayland_panel_mark)" = "$1" ]
}
if wait_until 10 panel_mark_is green; then
    pass "waybar's panel shows the icon with its green mark"
else
    fail "waybar's panel shows the mark as $(wayland_panel_mark)"
fi
fake_ping silent
if wait_until 15 mark_is red; then pass "silent, the mark turns red"; else fail "silent, the mark is $(wayland_item_mark)"; fi
if wait_until 10 panel_mark_is red; then pass "and red in the panel"; else fail "the panel shows the mark as $(wayland_panel_mark)"; fi
# Without a notification service the notice is the item's tip for a few seconds, then the state is.
notice_in_tip() { [[ "$(wayland_item_tip)" == *"Connection lost"* ]]; }
if wait_until 10 notice_in_tip; then
    pass "silent, the loss notice stands in the tip: \"$(wayland_item_tip)\""
else
    fail "silent, no notice in the tip: \"$(wayland_item_tip)\""
fi
if wait_until 20 tip_says "Disconnected for"; then
    pass "silent, the tip says \"$(wayland_item_tip)\""
else
    fail "silent, the tip says \"$(wayland_item_tip)\""
fi
fake_ping answer
if wait_until 15 mark_is green; then pass "answering again, the mark is green"; else fail "answering again, the mark is $(wayland_item_mark)"; fi
if wait_until 20 tip_says "Connected since"; then
    pass "answering again, the tip says \"$(wayland_item_tip)\""
else
    fail "answering again, the tip says \"$(wayland_item_tip)\""
fi
# A panel that restarts (sway reloading its bar) gets the icon again.
kill "$waybar"
wait_until 10 process_gone "$waybar" || fatal "waybar does not end"
wayland_start_waybar || fatal "waybar does not start again"
if wait_until 15 wayland_item_registered && wait_until 10 mark_is green; then
    pass "a restarted panel shows the icon again"
else
    fail "a restarted panel has no icon ($(wayland_items))"
fi
stop_program

# On X11 the same host shows the icon as an item too, though an XEmbed tray is what Qt finds itself.
if desktop_start_xvfb; then
    QT_QPA_PLATFORM=xcb start_program x11
    if wait_until 20 wayland_item_registered && wait_until 10 tip_says "Connected since"; then
        pass "on X11 with the host the icon is an item: \"$(wayland_item_tip)\""
    else
        fail "on X11 with the host no item is registered ($(wayland_items))"
    fi
    stop_program
else
    fail "Xvfb does not start"
fi

# Started minimised with a tray: hidden, until the item's Activate or a second start. Logging off
# this time: the mark is grey.
write_settings On Off
start_program minimised
wait_until 20 wayland_item_registered || fatal "started minimised, the item is not registered"
# The balloon of the minimise stands in the tip for its few seconds first.
logging_off_shown() { mark_is grey && tip_says "Automatic Log is Off"; }
if wait_until 15 logging_off_shown; then
    pass "logging off: the mark is grey and the tip says \"$(wayland_item_tip)\""
else
    fail "logging off: the mark is $(wayland_item_mark) and the tip says \"$(wayland_item_tip)\""
fi
sleep 2
if [ -z "$(window_state)" ]; then
    pass "started minimised with a tray, the window is hidden"
else
    fail "started minimised with a tray, the window is $(window_state)"
fi
wayland_activate_item
if wait_until 10 window_is visible; then
    pass "the item's Activate brings the window back"
else
    fail "the item's Activate leaves the window $(window_state)"
fi
stop_program
start_program minimised-again
wait_until 20 wayland_item_registered || fatal "started minimised again, the item is not registered"
sleep 2
[ -z "$(window_state)" ] || fail "started minimised again, the window is $(window_state)"
timeout 20 "$program" >"$sandbox/second.out" 2>"$sandbox/second.err"
second_status=$?
if [ "$second_status" = 0 ] && wait_until 10 window_is visible; then
    pass "a second start brings the window out of the tray"
else
    fail "a second start exits $second_status and leaves the window $(window_state)"
fi

# The history window on Wayland, from the running program; it takes the focus as a new window.
history_shown() { wayland_window_is "Connection History" focused; }
timeout 20 "$program" --show-history >"$sandbox/history.out" 2>"$sandbox/history.err"
if wait_until 10 history_shown; then
    pass "--show-history brings up the running program's Connection History"
else
    fail "--show-history shows no Connection History ($(wayland_window "Connection History"))"
fi
# A window may not take the focus on Wayland without a token from a click; a second start maps the
# shown window anew, which the compositor brings up focused as a new window.
timeout 20 "$program" >"$sandbox/third.out" 2>"$sandbox/third.err"
if wait_until 10 window_is focused; then
    pass "a second start brings the shown window forward, focused, over the history window"
else
    fail "a second start leaves the window $(window_state) and the history window $(wayland_window "Connection History")"
fi
stop_program

# An error box on Wayland: a log file where none can be made.
write_settings Off
echo 'Text1=/proc/pellavane/log.txt' >>"$settings"
start_program error-box
error_box_shown() { wayland_window_is "Application Error" visible; }
if wait_until 20 error_box_shown; then
    pass "a log that cannot be written brings up the error box"
else
    fail "no error box for a log that cannot be written: $(timeout 5 swaymsg -t get_tree | grep -o '"name": "[^"]*"' | sort -u | tr '\n' ' ')"
fi
# The box waits for its OK, which nothing here can click: the program is ended outright.
kill -KILL "$running"
wait "$running" 2>/dev/null

finish Wayland
