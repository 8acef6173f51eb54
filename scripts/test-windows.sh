#!/usr/bin/env bash
# Cross-builds the Qt-free core for 32-bit Windows with MinGW-w64 and runs every one of its tests
# under Wine, in a private Wine prefix inside the build folder.
#
# Some kernels run no 32-bit programs at all (IA-32 emulation switched off, as on some virtual
# machines): there the 32-bit tree is still built, warnings as errors, and the same tests run from a
# 64-bit cross-build under 64-bit Wine instead, so the Windows code is never left untested.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${PELLAVANE_WIN32_BUILD:-$top/build-ci-win32}")
wine=${PELLAVANE_WINE:-/usr/lib/wine/wine}
jobs=$(nproc)

configure_and_build() {
    local dir=$1 toolchain=$2 loader=$3
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain" -DPELLAVANE_WINE="$loader" \
        -DPELLAVANE_WITH_QT=OFF -DPELLAVANE_BENCHMARKS=OFF -DPELLAVANE_WERROR=ON
    cmake --build "$dir" -j "$jobs"
}

configure_and_build "$build" mingw-i686.cmake "$wine"
if ! "$wine" --version >/dev/null 2>&1; then
    echo "This kernel starts no 32-bit programs, so $wine cannot run: the 32-bit tree was built only."
    echo "Its tests run from the 64-bit cross-build under 64-bit Wine instead."
    build=$(realpath -m "${PELLAVANE_WIN64_BUILD:-$top/build-ci-win64}")
    wine=${PELLAVANE_WINE64:-/usr/lib/wine/wine64}
    configure_and_build "$build" mingw-x86_64.cmake "$wine"
fi
wineserver=${PELLAVANE_WINESERVER:-$(dirname "$wine")/wineserver}

# Wine keeps to the build folder: its prefix, its home, no desktop menus, no windows on a display,
# no Mono or Gecko installers.
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME="$build/wine-home" XDG_CONFIG_HOME="$build/wine-home/.config" XDG_DATA_HOME="$build/wine-home/.local/share"
unset DISPLAY WAYLAND_DISPLAY
# Wine names Unix files through the Unix locale's character set: without a UTF-8 locale (a bare
# container or chroot has none) a Windows name with non-ASCII letters has no Unix name at all.
# C.UTF-8 is built into every Debian's C library.
export LC_ALL=C.UTF-8
unset LANGUAGE
mkdir -p "$HOME"

stop_wineserver() {
    "$wineserver" -k >/dev/null 2>&1 || true
    "$wineserver" -w >/dev/null 2>&1 || true
}
trap stop_wineserver EXIT

# A prefix left half made by an interrupted run is made again.
ready="$WINEPREFIX/.pellavane-ready"
if [ ! -f "$ready" ]; then
    stop_wineserver
    rm -rf "$WINEPREFIX"
    echo "Creating the Wine prefix $WINEPREFIX"
    timeout 300 "$wine" wineboot --init </dev/null
    "$wineserver" -w
    touch "$ready"
fi

# One server for the whole run instead of one per test program: seconds instead of minutes. Its
# service processes are started here, away from ctest's pipes: started by the first test program
# they would hold its output open and ctest would wait for them until its timeout.
stop_wineserver
"$wineserver" -p
timeout 300 "$wine" wineboot </dev/null >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs" --timeout 300 </dev/null
