#!/bin/sh
# systemd's own judgement of the service units as cmake --install lays them out: unknown keys,
# wrong values, programs that are not there, a manual page that is missing.
# Usage: verify-units.sh CMAKE BUILD_DIR
set -eu
cmake=$1
build=$2
command -v systemd-analyze >/dev/null || { echo "FAIL: systemd-analyze missing (package systemd)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR" "$work/units"

# Where verify cannot run at all (no systemd libraries usable in this container), say so and skip.
printf '[Service]\nExecStart=/bin/true\n' >"$work/units/probe.service"
if ! systemd-analyze verify "$work/units/probe.service" >"$work/probe.log" 2>&1; then
    echo "SKIP: systemd-analyze verify cannot run here:"
    cat "$work/probe.log"
    exit 77
fi

DESTDIR="$work/stage" "$cmake" --install "$build" >/dev/null
prefix=$(sed -n 's|^ExecStart=\(.*\)/bin/pellavane .*|\1|p' "$work"/stage/*/lib/systemd/user/pellavane.service "$work"/stage/*/*/lib/systemd/user/pellavane.service 2>/dev/null | head -n 1)
[ -n "$prefix" ] || { echo "FAIL: no user unit with an ExecStart was installed"; exit 1; }
user_unit="$work/stage$prefix/lib/systemd/user/pellavane.service"
system_unit="$work/stage$prefix/share/doc/pellavane/examples/pellavane-system.service"
export MANPATH="$work/stage$prefix/share/man"

status=0
for unit in "$user_unit" "$system_unit"; do
    [ -f "$unit" ] || { echo "FAIL: $unit was not installed"; status=1; continue; }
    # The program as staged stands in for the one the unit names once installed.
    sed "s|$prefix/bin/pellavane|$work/stage$prefix/bin/pellavane|g" "$unit" >"$work/units/pellavane.service"
    scope=
    [ "$unit" = "$user_unit" ] && scope=--user
    if systemd-analyze $scope verify "$work/units/pellavane.service" >"$work/verify.log" 2>&1 &&
        [ ! -s "$work/verify.log" ]; then
        echo "ok: $unit"
    else
        echo "FAIL: $unit"
        cat "$work/verify.log"
        status=1
    fi
done
exit $status
