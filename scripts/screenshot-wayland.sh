#!/usr/bin/env bash
# Starts the real window as a native Wayland client under sway (headless) with waybar's tray, a fake
# ping and a private home, and writes three PNGs a person can look at: the whole screen, with the
# panel and the icon in its tray at the top right, the window alone with its title bar, and the
# panel's right-hand end enlarged three times.
#   screenshot-wayland.sh [FOLDER] [PROGRAM]   defaults: the current folder, build/app/pellavane
#   PELLAVANE_SHOT_WAIT=SECONDS                how long the program logs before the shot (default 11)
# It writes FOLDER/wayland-screen.png, wayland-window.png and wayland-panel.png; run as root, it runs
# as nobody.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
    out=$(cd "${1:-.}" && pwd)
    program=${2:-$here/../build/app/pellavane}
    if [ ! -x "$program" ]; then
        cmake -S "$here/.." -B "$here/../build-shot" -G Ninja -DPELLAVANE_BENCHMARKS=OFF >/dev/null
        cmake --build "$here/../build-shot" --target pellavane -j 2
        program=$here/../build-shot/app/pellavane
    fi
    # shellcheck source=scripts/lib/wayland.sh
    . "$here/lib/wayland.sh"
    wayland_as_user "$here/screenshot-wayland.sh" "$program" "$out"
    echo "wrote $out/wayland-screen.png, $out/wayland-window.png and $out/wayland-panel.png"
    exit
fi
program=$2 out=$3

# shellcheck source=scripts/lib/wayland.sh
. "$here/lib/wayland.sh"
wayland_sandbox_setup
mkdir -p "$XDG_CONFIG_HOME"
printf '[Pellavane]\nStartStopState=On\n' >"$XDG_CONFIG_HOME/Quillmoor.ini"
wayland_start_sway
wayland_start_waybar

sandbox_spawn program "$program"
window_up() { wayland_window_is Pellavane visible && wayland_item_registered; }
if ! wait_until 20 window_up; then
    echo "The window or its icon did not come up:" >&2
    cat "$sandbox/program.err" >&2
    exit 1
fi
sleep "${PELLAVANE_SHOT_WAIT:-11}"
read -r x y w h <<<"$(wayland_window_field Pellavane rect)"
timeout 20 grim "$out/wayland-screen.png"
timeout 20 grim -g "$x,$y ${w}x$h" "$out/wayland-window.png"
timeout 20 grim -g "904,0 120x30" -s 3 "$out/wayland-panel.png"
for picture in "$out"/wayland-*.png; do
    desktop_check_picture "$picture"
done
