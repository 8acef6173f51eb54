#!/usr/bin/env bash
# scripts/fuzz.sh [SECONDS]: builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer (in build-fuzz, or PELLAVANE_FUZZ_BUILD) and runs each for SECONDS
# (default 30) as a plain libFuzzer run, one after the other, from its seeds in fuzz/corpus/TARGET
# plus every file in the folders of FUZZ_EXTRA_SEEDS (colon-separated). The fuzzer's own output,
# its final "#N DONE" line included, is this script's output too.
#
# Exits non-zero when any target crashed, leaked, took over a second on one input or had a sanitizer
# report: the input that did it lies beside that target's log, in BUILD/findings/, named
# TARGET-crash-..., TARGET-leak-..., TARGET-timeout-... and so on. Inputs the fuzzer finds worth
# keeping go to BUILD/corpus/TARGET, so a run leaves the tracked tree as it was, and the next run
# starts from them.
set -euo pipefail
# From an empty environment bash keeps a PATH of its own without exporting it.
printenv PATH >/dev/null || export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
case "$seconds" in
'' | *[!0-9]*)
    echo "usage: $0 [SECONDS]" >&2
    exit 2
    ;;
esac
"$top/scripts/install-deps.sh" fuzz

build=${PELLAVANE_FUZZ_BUILD:-$top/build-fuzz}
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
echo "== building the fuzz targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)"
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DPELLAVANE_FUZZ=ON -DPELLAVANE_WERROR=ON \
    -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"

# Nothing a target runs reaches outside the machine; the targets start no program and open no
# socket but the kernel's own, and their files go to a private folder.
export PELLAVANE_CHECK_URL= DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
scratch=$(mktemp -d "${TMPDIR:-/tmp}/pellavane-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

extra=()
IFS=: read -r -a extra_folders <<<"${FUZZ_EXTRA_SEEDS:-}"
for folder in "${extra_folders[@]}"; do
    if [ -n "$folder" ]; then
        if [ ! -d "$folder" ]; then
            echo "FUZZ_EXTRA_SEEDS names '$folder', which is not a folder." >&2
            exit 2
        fi
        extra+=("$folder")
    fi
done

findings=$build/findings
mkdir -p "$findings"
failed=()
for source in "$top"/fuzz/fuzz_*.cpp; do
    target=$(basename "$source" .cpp)
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    # The history holds both a text log and a journal: it takes both their words.
    dict=$build/$target.dict
    case "$target" in
    fuzz_history) cat "$top/fuzz/fuzz_journal.dict" "$top/fuzz/fuzz_text_log.dict" >"$dict" ;;
    *) if [ -f "$top/fuzz/$target.dict" ]; then cp "$top/fuzz/$target.dict" "$dict"; else dict=; fi ;;
    esac
    log=$findings/$target.log
    rm -f "$findings/$target"-* "$log"
    echo "== $target, $seconds s"
    deadline=$((SECONDS + seconds))
    while [ "$SECONDS" -lt "$deadline" ]; do
        status=0
        # A report ends the run as a crash does, with its input kept.
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            "$build/fuzz/$target" -max_total_time=$((deadline - SECONDS)) -timeout=1 -print_final_stats=1 \
            -artifact_prefix="$findings/$target-" ${dict:+-dict="$dict"} \
            "$corpus" "$top/fuzz/corpus/$target" "${extra[@]}" 2>&1 | tee -a "$log" || status=$?
        if [ "$status" -eq 0 ] && ! grep -q -e '^==[0-9]*==ERROR' -e 'runtime error:' "$log"; then
            break
        fi
        # The limit is a second of wall time: on a busy machine an input may pass it once and never
        # again. Such an input is kept as TARGET-slow-once-... and the run goes on; one that takes
        # over a second three times alone is a fault.
        slow=$(find "$findings" -name "$target-timeout-*" | head -1)
        others=$(find "$findings" -name "$target-*" ! -name '*.log' ! -name '*-slow-once-*' | wc -l)
        if [ -n "$slow" ] && [ "$others" -eq 1 ]; then
            again=0
            for _ in 1 2 3; do
                "$build/fuzz/$target" -timeout=1 "$slow" >>"$log" 2>&1 || again=$((again + 1))
            done
            if [ "$again" -lt 3 ]; then
                echo "== $(basename "$slow") ran within the second alone: the machine was busy; fuzzing on"
                mv "$slow" "$findings/$target-slow-once-${slow##*-timeout-}"
                continue
            fi
        fi
        failed+=("$target")
        echo "== $target FAILED (status $status); its log and input are in $findings:"
        find "$findings" -name "$target-*" ! -name '*.log' ! -name '*-slow-once-*' -printf '%f\n'
        break
    done
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "== fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
echo "== every fuzz target ran $seconds s and found nothing"
