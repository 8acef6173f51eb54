#!/usr/bin/env bash
# Installs the Debian packages Pellavane needs, only those that are missing.
#   install-deps.sh run    what building and starting the program needs
#   install-deps.sh test   that, plus what every test, the Windows cross-build and the benchmarks need
#   install-deps.sh fuzz   what building the program needs, plus clang and its libFuzzer runtime
set -euo pipefail

what=${1:-run}

run_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev help2man
    zlib1g-dev
    iputils-ping
    fonts-liberation2
)
test_packages=(
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang-format
    xvfb xauth openbox trayer xdotool wmctrl x11-utils imagemagick xclip
    desktop-file-utils
    dbus-daemon
    lintian man-db
    prometheus prometheus-node-exporter systemd curl python3
    iproute2
    procps
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    logrotate libz-mingw-w64-dev
    # The Wayland desktop test: sway headless with waybar's StatusNotifierItem tray, grim for pictures.
    sway waybar grim qt6-wayland
    # The HTML report: read in a real browser and printed, in a time zone with clock changes.
    chromium poppler-utils tzdata
)
windows_packages=(wine32:i386 wine64)
# scripts/fuzz.sh: clang with libFuzzer and the sanitizers' runtimes.
fuzz_packages=(clang libclang-rt-14-dev)

case "$what" in
run) wanted=("${run_packages[@]}") ;;
test) wanted=("${run_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}" "${fuzz_packages[@]}") ;;
fuzz) wanted=("${run_packages[@]}" "${fuzz_packages[@]}") ;;
*)
    echo "usage: $0 run|test|fuzz" >&2
    exit 2
    ;;
esac

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'
}

missing=()
need_i386=0
for p in "${wanted[@]}"; do
    if ! is_installed "$p"; then
        missing+=("$p")
        case "$p" in *:i386) need_i386=1 ;; esac
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$need_i386" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
