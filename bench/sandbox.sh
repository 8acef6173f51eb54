# shellcheck shell=bash
# Sourced by the benchmarks that start the program: the tests' sandbox (scripts/lib/testlib.sh) in a
# fresh folder under /tmp named after $1, with its fake ping that always answers, and settings that
# log every 24 hours. Processes added to sandbox_pids are ended and the folder removed on exit.
# shellcheck source=scripts/lib/testlib.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/testlib.sh"
sandbox_start "$1"
sandbox_fake_ping
# The window logs every 24 hours: once at start, then only its one-second countdown.
mkdir -p "$XDG_CONFIG_HOME"
printf '[Pellavane]\nOftenIndex=12\nText1=%s\nStartStopState=On\n' "$sandbox/history.txt" >"$XDG_CONFIG_HOME/Quillmoor.ini"
