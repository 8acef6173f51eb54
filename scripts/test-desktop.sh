#!/usr/bin/env bash
# The real window on a real X desktop: Xvfb with openbox and a trayer panel. Starts the program with
# a fake ping and a private home, minimises it to the tray, brings it back with a click on the icon
# and with a second start, shows its history window with pellavane --show-history, closes the main
# window as the close button does, and checks the log it wrote; then
# closes a new start while its first balloon is up.
#   test-desktop.sh [PROGRAM]   default: build-ci/app/pellavane, built when missing
# Every wait is bounded and every background process is ended on exit, so it never hangs.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$top/build-ci/app/pellavane}
if [ ! -x "$program" ]; then
    if [ $# -gt 0 ]; then
        echo "FAIL: no program at $program" >&2
        exit 1
    fi
    cmake -S "$top" -B "$top/build-ci" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLAVANE_WERROR=ON >/dev/null || exit 1
    cmake --build "$top/build-ci" --target pellavane -j 2 || exit 1
fi
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

# shellcheck source=scripts/lib/desktop.sh
. "$top/scripts/lib/desktop.sh"

desktop_sandbox_setup
desktop_start || exit 1
log=$XDG_STATE_HOME/Pellavane.txt
# Logging every second, so the close comes while lines are being written.
mkdir -p "$XDG_CONFIG_HOME"
printf '[Pellavane]\nOftenIndex=1\n' >"$XDG_CONFIG_HOME/Quillmoor.ini"

map_state() {
    timeout 5 xwininfo -id "$window" 2>/dev/null | sed -n 's/^ *Map State: //p'
}
is_state() {
    [ "$(map_state)" = "$1" ]
}
# "X Y" of the docked icon's centre, in root coordinates.
icon_centre() {
    desktop_icon_geometry | { read -r w h x y && echo "$((x + w / 2)) $((y + h / 2))"; }
}
program_running() {
    kill -0 "$first" 2>/dev/null
}
managed_by_wm() {
    timeout 5 wmctrl -l 2>/dev/null | awk '{print $1}' | grep -qi "^0x0*$(printf '%x' "$window")$"
}
minimise() {
    timeout 10 xdotool windowactivate --sync "$window" >/dev/null 2>&1 &&
        timeout 10 xdotool windowminimize --sync "$window" >/dev/null 2>&1
}
# Hidden in the tray: unmapped, off the window manager's list (the taskbar), and it stays so.
hidden_in_tray() {
    wait_until 5 is_state IsUnMapped || return 1
    sleep 1
    is_state IsUnMapped && ! managed_by_wm
}

sandbox_spawn first "$program"
first=$spawned
window=$(desktop_wait_window Pellavane "$first") || fatal "the window does not come up"
pass "the window comes up ($window)"

wait_until 10 desktop_icon_docked || fatal "the tray icon does not dock in the panel"
read -r icon_x icon_y <<<"$(icon_centre)"
pass "the tray icon is docked in the panel at $icon_x,$icon_y"

minimise || fatal "the window manager does not minimise the window"
if hidden_in_tray; then
    pass "a minimised window is hidden in the tray (map state $(map_state))"
else
    fatal "a minimised window is not hidden (map state $(map_state))"
fi
if desktop_icon_docked; then pass "the icon stays in the panel while the window is hidden"; else fail "the icon is gone"; fi

# The first minimise shows a balloon for a few seconds; a click on the icon must work meanwhile.
timeout 5 xdotool mousemove "$icon_x" "$icon_y" click 1
if wait_until 5 is_state IsViewable; then
    pass "a click on the icon brings the window back"
else
    fatal "a click on the icon does not bring the window back (map state $(map_state))"
fi

minimise || fatal "the window manager does not minimise the window a second time"
hidden_in_tray || fatal "a second minimise does not hide the window (map state $(map_state))"
started=$(now_us)
timeout 20 "$program" >"$sandbox/second.out" 2>"$sandbox/second.err"
second_status=$?
second_ms=$((($(now_us) - started) / 1000))
if [ "$second_status" = 0 ] && grep -q "already running" "$sandbox/second.err" && [ "$second_ms" -lt 10000 ]; then
    pass "a second start hands over and exits 0 in ${second_ms} ms"
else
    fail "a second start exits $second_status after ${second_ms} ms: $(cat "$sandbox/second.err")"
fi
if wait_until 5 is_state IsViewable; then
    pass "the second start brings the first window out of the tray"
else
    fail "the second start leaves the first window hidden (map state $(map_state))"
fi
program_running || fatal "the first program ended after the second start"

# --show-history reaches the running program through the same channel and its history window comes up.
history_shown() { [ -n "$(desktop_window 'Connection History')" ]; }
timeout 20 "$program" --show-history >"$sandbox/history.out" 2>"$sandbox/history.err"
history_status=$?
if [ "$history_status" = 0 ] && wait_until 10 history_shown; then
    pass "--show-history brings up the running program's Connection History"
else
    fail "--show-history exits $history_status and shows no Connection History: $(cat "$sandbox/history.err")"
fi
program_running || fatal "the first program ended after --show-history"

timeout 5 wmctrl -i -c "$window"
if wait_until 10 process_gone "$first"; then
    wait "$first"
    status=$?
    if [ "$status" = 0 ]; then pass "a polite close ends the program with status 0"; else fail "a polite close ends the program with status $status"; fi
else
    fail "the program is still running 10 s after a polite close"
fi

if [ -s "$log" ]; then
    lines=$(wc -l <"$log")
    if ! grep -qv $'\r$' "$log" && [ "$(tail -c 2 "$log" | od -An -tx1 | tr -d ' \n')" = 0d0a ]; then
        pass "the log has $lines whole line(s), each ending in CR LF"
    else
        fail "the log has a line without CR LF or a cut last line:"
        od -c "$log" | tail -n 5
    fi
else
    fail "no log at $log"
fi

# A close while the first minimise's balloon is up ends the program at once, not when the balloon's
# few seconds are over: a terminating signal closes the window as the close button does.
sandbox_spawn third "$program"
first=$spawned
if window=$(desktop_wait_window Pellavane "$first") && wait_until 10 desktop_icon_docked && minimise &&
    wait_until 3 is_state IsUnMapped; then
    started=$(now_us)
    kill -TERM "$first"
    if wait_until 10 process_gone "$first"; then
        wait "$first"
        status=$?
        close_ms=$((($(now_us) - started) / 1000))
        if [ "$status" = 0 ] && [ "$close_ms" -lt 2500 ]; then
            pass "a close during the first balloon ends the program in ${close_ms} ms"
        else
            fail "a close during the first balloon ends the program after ${close_ms} ms with status $status"
        fi
    else
        fail "the program is still running 10 s after a close during the first balloon"
    fi
else
    fail "a third start does not come up and hide in the tray: $(cat "$sandbox/third.err")"
fi

# Notices and the tray's colours, on a desktop and a session bus of their own.
"$top/scripts/test-notify.sh" "$program" || fail "the notification test"

finish desktop
