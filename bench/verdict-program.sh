#!/usr/bin/env bash
# The verdict through the program: pellavane --check against a fake ping that loses each echo at
# random, and the time of a check when every target is silent or every ping hangs. Prints rows of
# run-all.sh's table. Loopback targets and a fake ping only; the web check is off.
#   verdict-program.sh PROGRAM [CHECKS]
set -euo pipefail
program=$1
checks=${2:-2000}
# shellcheck source=scripts/lib/testlib.sh
. "$(dirname "$0")/../scripts/lib/testlib.sh"
sandbox_start pellavane-verdict
sandbox_fake_ping
export PELLAVANE_PROBE_HOSTS=127.0.0.1,127.0.0.2,127.0.0.3
unset PELLAVANE_PROBE_HOST
pinged=$sandbox/ping/pinged

for loss in 10 30; do
    fake_ping lossy $((65536 * loss / 100))
    : >"$pinged"
    downs=0
    for _ in $(seq "$checks"); do
        "$program" --check >/dev/null 2>&1 || downs=$((downs + 1))
    done
    pings=$(wc -l <"$pinged")
    goal=$([ "$loss" = 10 ] && echo "<= 1" || echo "<= 20")
    expected=$((10000 * loss / 100))
    awk -v d="$downs" -v c="$checks" -v l="$loss" -v g="$goal" -v e="$expected" -v p="$pings" 'BEGIN {
        printf "TABLE|false downs per 10,000, %d %% loss, program (%d checks)|%.1f|%d single ping|%.4f|%s\n", l, c, d * 10000 / c, e, d * 10000 / c / e, g
        printf "TABLE|pings per check, %d %% loss, program|%.3f|1 single ping|%.3f|report\n", l, p / c, p / c
    }'
done

# A check's length, in seconds, with the fake ping in the given mode.
timed_check() {
    fake_ping "$@"
    local started ended
    started=$(date +%s%N)
    "$program" --check >/dev/null 2>&1 || true
    ended=$(date +%s%N)
    awk -v ns=$((ended - started)) 'BEGIN { printf "%.1f s", ns / 1e9 }'
}
echo "TABLE|one check, every target silent, 4 s reply wait|$(timed_check silent 4)|12 s in outline||<= 15 s"
echo "TABLE|one check, every ping hanging|$(timed_check hang)|30 s bound||< 30 s"
