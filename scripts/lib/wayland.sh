# shellcheck shell=bash
# A private Wayland desktop for the scripts that start the real window: sourced, not run. sway on its
# headless backend, optionally with waybar, whose tray module is a StatusNotifierWatcher and host on
# the session bus; the program as a native Wayland client. sway refuses to run as root, so a script
# started as root runs itself again as an unprivileged user (nobody) with an empty environment and a
# session bus of its own (dbus-run-session), from a copy of the scripts and the program that user can
# read. Every background process started here is ended by sandbox_cleanup on exit.

# The sandbox, the waits and the check of a picture are the X desktop's.
# shellcheck source=scripts/lib/desktop.sh
. "$(dirname "${BASH_SOURCE[0]}")/desktop.sh"

readonly wayland_watcher=org.kde.StatusNotifierWatcher

# wayland_as_user SCRIPT PROGRAM [KEEP]: unless already inside, runs SCRIPT again with
# "--inside PROGRAM OUT" on a private session bus, as nobody when started as root, and returns its
# exit status. OUT is a folder that user may write in; what it holds at the end is copied into the
# folder KEEP when one is given. The copies are removed after.
wayland_as_user() {
    local script=$1 program=$2 keep=${3:-} stage status
    stage=$(mktemp -d /tmp/pellavane-wayland-stage.XXXXXX)
    # shellcheck disable=SC2064 # the folder of this call, named now
    trap "rm -rf '$stage'" EXIT
    cp -r "$(dirname "$script")" "$stage/scripts"
    cp "$program" "$stage/pellavane"
    mkdir "$stage/out"
    chmod -R a+rX "$stage"
    chmod 777 "$stage/out"
    local inner=(env -i "PATH=$PATH" dbus-run-session -- bash "$stage/scripts/$(basename "$script")"
        --inside "$stage/pellavane" "$stage/out")
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid=65534 --regid=65534 --clear-groups "${inner[@]}"
    else
        "${inner[@]}"
    fi
    status=$?
    if [ "$status" = 0 ] && [ -n "$keep" ]; then
        cp "$stage/out"/* "$keep"/ || status=1
    fi
    rm -rf "$stage"
    return "$status"
}

# The sandbox of testlib.sh with a fake ping, keeping the session bus dbus-run-session gave: the
# program's only bus, private to this run.
wayland_sandbox_setup() {
    local bus=$DBUS_SESSION_BUS_ADDRESS
    sandbox_start pellavane-wayland
    sandbox_fake_ping
    export DBUS_SESSION_BUS_ADDRESS=$bus
    export QT_QPA_PLATFORM=wayland
    unset DISPLAY
}

wayland_socket_up() {
    local socket
    for socket in "$XDG_RUNTIME_DIR"/wayland-[0-9]; do
        [ -S "$socket" ] || continue
        WAYLAND_DISPLAY=$(basename "$socket")
        SWAYSOCK=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'sway-ipc.*.sock' | head -n 1)
        [ -n "$SWAYSOCK" ] && timeout 5 swaymsg -s "$SWAYSOCK" -t get_version >/dev/null 2>&1
        return
    done
    return 1
}

# Starts sway with no bar on a 1024x768 headless output and exports WAYLAND_DISPLAY and SWAYSOCK.
wayland_start_sway() {
    mkdir -p "$XDG_CONFIG_HOME/sway"
    cat >"$XDG_CONFIG_HOME/sway/config" <<'CONFIG'
output HEADLESS-1 resolution 1024x768 background #3b4252 solid_color
default_border normal
CONFIG
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sandbox_spawn sway sway -c "$XDG_CONFIG_HOME/sway/config"
    if ! wait_until 15 wayland_socket_up; then
        echo "FAIL: sway did not start:" >&2
        cat "$sandbox/sway.err" >&2
        return 1
    fi
    export WAYLAND_DISPLAY SWAYSOCK
}

wayland_host_registered() {
    [ "$(wayland_watcher_property IsStatusNotifierHostRegistered)" = true ]
}

# Starts waybar with its tray alone, which registers the watcher and then itself as the host.
wayland_start_waybar() {
    mkdir -p "$XDG_CONFIG_HOME/waybar"
    cat >"$XDG_CONFIG_HOME/waybar/config" <<'CONFIG'
{ "layer": "top", "position": "top", "height": 30, "modules-right": ["tray"],
  "tray": { "icon-size": 22, "spacing": 6 } }
CONFIG
    sandbox_spawn waybar waybar
    if ! wait_until 15 wayland_host_registered; then
        echo "FAIL: waybar's tray did not register as a StatusNotifierHost:" >&2
        cat "$sandbox/waybar.err" >&2
        return 1
    fi
}

# busctl's JSON on stdin: its data as JSON, or nothing when busctl printed nothing (no such service).
wayland_json_data() {
    python3 -c 'import json,sys
text = sys.stdin.read()
if text:
    print(json.dumps(json.loads(text)["data"]))'
}

# wayland_watcher_property NAME: the watcher's property as JSON's data, or nothing without a watcher.
wayland_watcher_property() {
    timeout 5 busctl --user --json=short get-property "$wayland_watcher" /StatusNotifierWatcher \
        "$wayland_watcher" "$1" 2>/dev/null | wayland_json_data
}

# The registered items, one "SERVICE PATH" a line. A watcher names an item by its service and path
# run together ("org.kde.StatusNotifierItem-12-1/StatusNotifierItem" or ":1.5/StatusNotifierItem").
wayland_items() {
    wayland_watcher_property RegisteredStatusNotifierItems |
        python3 -c 'import json,sys
text = sys.stdin.read()
for item in json.loads(text) if text.strip() else []:
    service, slash, path = item.partition("/")
    print(service, "/" + path if slash else "/StatusNotifierItem")'
}

wayland_item_registered() {
    [ -n "$(wayland_items)" ]
}

# wayland_item_property NAME: the first item's property as JSON's data.
wayland_item_property() {
    local service path
    read -r service path <<<"$(wayland_items | head -n 1)"
    [ -n "${path:-}" ] || return 1
    timeout 5 busctl --user --json=short get-property "$service" "$path" org.kde.StatusNotifierItem "$1" \
        2>/dev/null | wayland_json_data
}

# The words of the item's tool tip: its title and its text, joined by " | " when both are there.
wayland_item_tip() {
    wayland_item_property ToolTip | python3 -c 'import json,sys
tip = json.load(sys.stdin)
print(" | ".join(part for part in (tip[2], tip[3]) if part))'
}

# The colour of the mark on the item's largest picture: green, red, grey, amber, or none.
wayland_item_mark() {
    wayland_item_property IconPixmap | python3 -c 'import json,sys
pictures = json.load(sys.stdin)
if not pictures:
    print("none"); sys.exit()
w, h, data = max(pictures, key=lambda p: p[0] * p[1])
marks = {"green": (0x1f, 0xa8, 0x3a), "red": (0xe0, 0x1b, 0x24), "grey": (0x8a, 0x8a, 0x8a),
         "amber": (0xf5, 0xa6, 0x23)}
# ARGB32 in network byte order, a pixel after the other.
pixels = [tuple(data[i + 1:i + 4]) for i in range(0, len(data), 4) if data[i] == 255]
found = [name for name, rgb in marks.items() if pixels.count(rgb) >= 8]
print(found[0] if found else "none")'
}

# The colour of the mark as waybar shows the icon, read from the pixels of the panel's right-hand
# end, where its tray is: green, red, grey, amber, or none.
wayland_panel_mark() {
    timeout 10 grim -g "964,0 60x30" "$sandbox/panel.png" 2>/dev/null || return 1
    desktop_mark_colour "$sandbox/panel.png"
}

# wayland_activate_item: what a left click in the panel sends to the item.
wayland_activate_item() {
    local service path
    read -r service path <<<"$(wayland_items | head -n 1)"
    [ -n "${path:-}" ] && timeout 5 busctl --user call "$service" "$path" org.kde.StatusNotifierItem Activate ii 0 0
}

# wayland_window_field TITLE FIELD: of the first window of exactly that title in sway's tree, one
# of: "state", "focused", "visible" or "hidden"; "rect", "X Y W H" with its title bar in the
# output's pixels; "type", "con" when tiled or "floating_con". Nothing when the tree has no such
# window.
wayland_window_field() {
    timeout 5 swaymsg -t get_tree -r 2>/dev/null | python3 -c 'import json,sys
title, field = sys.argv[1:3]
def found(node):
    if field == "state":
        return "focused" if node.get("focused") else "visible" if node.get("visible") else "hidden"
    if field == "rect":
        r, d = node["rect"], node["deco_rect"]
        return "%d %d %d %d" % (r["x"], r["y"] - d["height"], r["width"], r["height"] + d["height"])
    return node.get(field)
def walk(node):
    if node.get("name") == title and node.get("type") in ("con", "floating_con"):
        print(found(node))
        sys.exit()
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))' "$1" "$2"
}

wayland_window() {
    wayland_window_field "$1" state
}

# wayland_window_is TITLE STATE: whether the window is in that state; "visible" takes a focused one.
wayland_window_is() {
    case "$(wayland_window "$1")" in
    "$2") return 0 ;;
    focused) [ "$2" = visible ] ;;
    *) return 1 ;;
    esac
}
