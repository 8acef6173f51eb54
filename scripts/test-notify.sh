#!/usr/bin/env bash
# Notices and the tray's colours on a real X desktop with a private session bus: a fake notification
# service records every call, the fake ping is switched between answering and silent, and the tray
# icon's pixels are read from the panel. Grey while logging is off, green when connected, red at the
# loss with one "Connection lost" notice, green again with one "Connected again" that replaces it;
# amber while a seeded fake ping loses half the echoes, with one "Connection degraded" notice that
# "Connection back to normal" replaces once none is lost.
#   test-notify.sh [PROGRAM]   default: build-ci/app/pellavane; the fake service is built beside it
# With PELLAVANE_TRAY_PICTURES=DIR the icon in each state is saved there as tray-STATE.png.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$top/build-ci/app/pellavane}
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
server=$(dirname "$program")/desktop/tests/fake_notification_server
if [ ! -x "$program" ] || [ ! -x "$server" ]; then
    cmake --build "$(dirname "$(dirname "$program")")" --target pellavane fake_notification_server -j 2 || exit 1
fi

# shellcheck source=scripts/lib/desktop.sh
. "$top/scripts/lib/desktop.sh"

desktop_sandbox_setup
desktop_start || exit 1

# The session bus of this test alone, and the notification service on it.
bus=$sandbox/bus
read -r bus_address bus_pid < <(dbus-daemon --session --fork --address="unix:path=$bus" --print-address=1 --print-pid=1 | tr '\n' ' ')
[ -n "${bus_pid:-}" ] || fatal "dbus-daemon does not start"
sandbox_pids+=("$bus_pid")
export DBUS_SESSION_BUS_ADDRESS="unix:path=$bus"
calls=$sandbox/calls
: >"$calls"
show_also=("$calls")
sandbox_spawn server "$server" "$calls"
server_pid=$spawned
wait_until 10 grep -q ready "$sandbox/server.out" || fatal "the fake notification service does not start"
pass "a notification service runs on the private session bus ($bus_address)"

mkdir -p "$XDG_CONFIG_HOME"
settings=$XDG_CONFIG_HOME/Quillmoor.ini

# The colour of the icon's mark as the panel shows it: green, red, grey, amber, or none.
mark_colour() {
    local w h x y
    read -r w h x y <<<"$(desktop_icon_geometry)" || return 1
    [ -n "${y:-}" ] || return 1
    timeout 5 import -window root "$sandbox/shot.png" 2>/dev/null || return 1
    convert "$sandbox/shot.png" -crop "${w}x${h}+${x}+${y}" +repage "$sandbox/icon.png"
    desktop_mark_colour "$sandbox/icon.png"
}
mark_is() {
    [ "$(mark_colour)" = "$1" ]
}
save_picture() {
    if [ -n "${PELLAVANE_TRAY_PICTURES:-}" ]; then
        mkdir -p "$PELLAVANE_TRAY_PICTURES"
        cp "$sandbox/icon.png" "$PELLAVANE_TRAY_PICTURES/tray-$1.png"
    fi
}
notify_calls() {
    grep -c '^Notify|' "$calls"
}
calls_are() {
    [ "$(notify_calls)" = "$1" ]
}
start_program() {
    sandbox_spawn "$1" "$program"
    running=$spawned
    wait_until 20 desktop_icon_docked || fatal "the tray icon does not dock ($1)"
}
stop_program() {
    kill -TERM "$running"
    wait_until 10 process_gone "$running" || fail "the program does not end at SIGTERM"
    wait "$running" 2>/dev/null
}

# Logging off: grey.
printf '[Pellavane]\nOftenIndex=1\nStartStopState=Off\n' >"$settings"
start_program off
if wait_until 10 mark_is grey; then
    pass "with logging off the mark is grey"
    save_picture off
else
    fail "with logging off the mark is $(mark_colour)"
fi
stop_program

# Logging every second, connected: green, and no notice for the start-up's check.
printf '[Pellavane]\nOftenIndex=1\nStartStopState=On\n' >"$settings"
start_program on
if wait_until 10 mark_is green; then
    pass "connected, the mark is green"
    save_picture connected
else
    fail "connected, the mark is $(mark_colour)"
fi
sleep 2
if calls_are 0; then pass "a connected start-up gives no notice"; else fail "a connected start-up gives $(notify_calls) notice(s)"; fi

fake_ping silent
if wait_until 15 mark_is red; then
    pass "silent, the mark turns red"
    save_picture disconnected
else
    fail "silent, the mark is $(mark_colour)"
fi
wait_until 10 calls_are 1 || fatal "no notice of the loss: $(notify_calls) call(s)"
# A few more silent checks: none of them is noticed again.
sleep 4
IFS='|' read -r _ app replaces icon summary body category entry _ lost_id < <(grep '^Notify|' "$calls" | head -n 1)
if calls_are 1 && [ "$app" = Pellavane ] && [ "$replaces" = 0 ] && [ "$icon" = pellavane ] &&
    [ "$summary" = "Connection lost" ] && [[ "$body" == "No answer since "[0-9][0-9]:[0-9][0-9]* ]] &&
    [ "$category" = network.disconnected ] && [ "$entry" = pellavane ]; then
    pass "one loss notice in 4 s of silent checks: $summary, $body"
else
    fail "the loss notice is not as asked for:"
    cat "$calls"
fi

fake_ping answer
if wait_until 15 mark_is green; then pass "answering again, the mark is green"; else fail "answering again, the mark is $(mark_colour)"; fi
wait_until 10 calls_are 2 || fatal "no notice of the restore: $(notify_calls) call(s)"
IFS='|' read -r _ app replaces icon summary body category entry _ _ < <(grep '^Notify|' "$calls" | sed -n 2p)
if [ "$summary" = "Connected again" ] && [[ "$body" == "after "*" s" ]] && [ "$replaces" = "$lost_id" ] &&
    [ "$category" = network.connected ]; then
    pass "the restore notice replaces the loss notice ($replaces): $summary, $body"
else
    fail "the restore notice is not as asked for:"
    cat "$calls"
fi

# With no service on the bus the notice goes to the tray's own balloon; logging and the colours go on.
kill "$server_pid"
wait_until 5 process_gone "$server_pid" || fatal "the fake notification service does not end"
# The program's visible windows: the window and the icon, and Qt's balloon while one is up.
program_windows() {
    timeout 5 xdotool search --onlyvisible --class pellavane 2>/dev/null | wc -l
}
balloon_up() {
    [ "$(program_windows)" -ge 3 ]
}
windows_before=$(program_windows)
fake_ping silent
if wait_until 15 mark_is red && kill -0 "$running" 2>/dev/null && calls_are 2; then
    pass "without a notification service the program logs on and the mark turns red"
else
    fail "without a notification service: mark $(mark_colour), $(notify_calls) call(s)"
fi
if [ "$windows_before" -le 2 ] && wait_until 10 balloon_up; then
    pass "without a notification service the loss comes as the tray icon's balloon"
else
    fail "no balloon from the tray icon: $windows_before window(s) before, $(program_windows) after"
fi
stop_program

# Degraded: a first target that loses half its echoes at random (seeded), five echoes a check
# against a threshold of 30 %, turns the mark amber with one "Connection degraded" notice; clean
# again, the mark turns green and "Connection back to normal" takes the notice's place.
: >"$calls"
sandbox_spawn server-again "$server" "$calls"
wait_until 10 grep -q ready "$sandbox/server-again.out" || fatal "the fake notification service does not start again"
# The second target answers, so that a check whose five echoes are all lost is still connected.
cp "$top/testsupport/seeded_loss_ping.sh" "$sandbox/bin/ping"
echo 0.5 >"$sandbox/bin/ping-loss-127.0.0.1"
printf '[Pellavane]\nOftenIndex=1\nStartStopState=On\nEchoesPerCheck=5\nDegradedLossPct=30\n' >"$settings"
PELLAVANE_PROBE_HOSTS=127.0.0.1,127.0.0.2 start_program degraded
if wait_until 60 mark_is amber; then
    pass "half the echoes lost, the mark turns amber"
    save_picture degraded
else
    fail "half the echoes lost, the mark is $(mark_colour)"
fi
wait_until 10 calls_are 1 || fatal "no notice of the degraded connection: $(notify_calls) call(s)"
IFS='|' read -r _ app replaces _ summary body category _ _ degraded_id < <(grep '^Notify|' "$calls" | head -n 1)
if [ "$summary" = "Connection degraded" ] && [[ "$body" == [0-9]*" % of echoes lost in the last "* ]] &&
    [ "$replaces" = 0 ] && [ "$category" = network ]; then
    pass "one notice of the degraded connection: $summary, $body"
else
    fail "the degraded notice is not as asked for:"
    cat "$calls"
fi
echo 0 >"$sandbox/bin/ping-loss-127.0.0.1"
if wait_until 90 mark_is green; then pass "no echo lost, the mark is green again"; else fail "no echo lost, the mark is $(mark_colour)"; fi
wait_until 10 calls_are 2 || fatal "no notice of the recovery: $(notify_calls) call(s)"
IFS='|' read -r _ app replaces _ summary body category _ _ _ < <(grep '^Notify|' "$calls" | sed -n 2p)
if [ "$summary" = "Connection back to normal" ] && [[ "$body" == "after "*" degraded" ]] &&
    [ "$replaces" = "$degraded_id" ] && [ "$category" = network.connected ]; then
    pass "the recovery notice replaces the degraded one ($replaces): $summary, $body"
else
    fail "the recovery notice is not as asked for:"
    cat "$calls"
fi
stop_program

finish notification
