#!/usr/bin/env bash
# Installs what is missing, checks the formatting of every tracked C++ file, builds Pellavane and
# runs every test: the native build with warnings as errors, every fuzz target briefly, the program
# alone configured and built without Google Benchmark and GoogleTest, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer in an optimised build, lintian on the Debian
# package, the Qt-free core cross-built for 32-bit Windows and run under Wine, the desktop test under
# Xvfb and the Wayland one under sway.
set -euo pipefail
# From an empty environment bash keeps a PATH of its own without exporting it, and cmake cannot
# find its own files with none: hand the children the usual one.
printenv PATH >/dev/null || export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" test

# A formatting slip fails the run before anything is built; the root .clang-format is the style.
echo "== formatting (clang-format $(clang-format --version | sed 's/.*version \([0-9.]*\).*/\1/'))"
git -C "$top" ls-files -z -- '*.cpp' '*.h' | (cd "$top" && xargs -0 clang-format --dry-run --Werror) || {
    echo "The files named above differ from .clang-format; clang-format -i on them mends that." >&2
    exit 1
}

# Tests never see the real user's settings, autostart folder or log, and nothing they run may reach
# outside the machine: no web check, no real bus.
# shellcheck source=scripts/lib/testlib.sh
. "$top/scripts/lib/testlib.sh"
sandbox_start pellavane-test
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

build_and_test() {
    local dir=$1
    shift
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLAVANE_WERROR=ON "$@"
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
}

echo "== native build, warnings as errors"
build_and_test "$top/build-ci"

# Every parser of outside input under libFuzzer for a short while (the long run is scripts/fuzz.sh
# 300): a crash, a leak, a sanitizer report or one input over a second fails the run.
echo "== fuzzing, 15 s a target"
PELLAVANE_FUZZ_BUILD="$top/build-ci-fuzz" "$top/scripts/fuzz.sh" 15

# A machine without Google Benchmark and GoogleTest configures and builds the program: only the
# program is built, without debug information, through ccache where there is one.
echo "== configure and build without Google Benchmark, GoogleTest and the tests"
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$top" -B "$top/build-ci-bare" -G Ninja --no-warn-unused-cli -DPELLAVANE_WERROR=ON \
    -DBUILD_TESTING=OFF -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    "${launcher[@]}"
cmake --build "$top/build-ci-bare" -j "$jobs" --target pellavane
listed=$(ctest --test-dir "$top/build-ci-bare" -N)
if ! grep -qx 'Total Tests: 0' <<<"$listed"; then
    echo "A build with BUILD_TESTING=OFF lists tests:" >&2
    echo "$listed" >&2
    exit 1
fi

# Optimised, so that the warnings only optimisation finds (maybe-uninitialized and the like) fail
# the run too; -O1 also runs the sanitized tests faster than -O0 would.
echo "== AddressSanitizer + UndefinedBehaviorSanitizer, optimised (-O1), warnings as errors"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build_and_test "$top/build-ci-asan" -DPELLAVANE_SANITIZE=ON -DPELLAVANE_BENCHMARKS=OFF \
    "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1"

echo "== Debian package, checked by lintian"
# The native tree is built already: cpack only installs, strips and packs it, in a folder of its own
# so no older package is checked instead.
cpack -G DEB --config "$top/build-ci/CPackConfig.cmake" -B "$sandbox/package"
lintian --fail-on error,warning "$sandbox"/package/pellavane_*.deb

for extra in "$top"/scripts/test-windows.sh "$top"/scripts/test-desktop.sh "$top"/scripts/test-wayland.sh; do
    if [ -x "$extra" ]; then
        echo "== $(basename "$extra")"
        "$extra"
    fi
done
echo "== all tests passed"
