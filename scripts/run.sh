#!/usr/bin/env bash
# Installs what is missing, builds Pellavane and starts it. Arguments are passed to the program.
set -euo pipefail
# From an empty environment bash keeps a PATH of its own without exporting it, and cmake cannot
# find its own files with none: hand the children the usual one.
printenv PATH >/dev/null || export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" run
cmake -S "$top" -B "$top/build-run" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPELLAVANE_BENCHMARKS=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$top/build-run" --target pellavane
exec "$top/build-run/app/pellavane" "$@"
