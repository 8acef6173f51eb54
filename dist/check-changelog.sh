#!/bin/sh
# The Debian changelog writer: dates carry their true day of the week, the result is what
# dpkg-parsechangelog reads, and a CHANGELOG.md it cannot turn into a changelog stops the build
# with the file and the reason.
#   check-changelog.sh CMAKE DebianChangelog.cmake
set -eu
cmake=$1
script=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

write() { # VERSION SOURCE-TEXT: runs the writer on the text, its messages in $work/err
    printf '%b' "$2" >"$work/CHANGELOG.md"
    "$cmake" -DSOURCE="$work/CHANGELOG.md" -DOUTPUT="$work/changelog.gz" -DPACKAGE=pellavane \
        -DVERSION="$1" "-DMAINTAINER=Maker <m@example.org>" -DGZIP="$(command -v gzip)" \
        -P "$script" 2>"$work/err"
}

# A day in every month, the leap day, and years the century rules treat apart.
for date in 2026-01-31 2026-02-01 2026-03-15 2026-04-15 2026-05-15 2026-06-15 2026-07-15 \
    2026-08-15 2026-09-15 2026-10-15 2026-11-15 2026-12-08 2024-02-29 2000-03-01 1900-03-01; do
    write 1.0 "# Changes\n\nNotes.\n\n## 1.0 ($date)\n\n- A change; with [brackets]\n  going on.\n"
    expected=$(LC_ALL=C date -u -d "$date" '+%a, %d %b %Y')
    if ! zcat "$work/changelog.gz" | grep -qx " -- Maker <m@example.org>  $expected 00:00:00 +0000"; then
        echo "FAIL: $date is not dated $expected:" >&2
        zcat "$work/changelog.gz" >&2
        failures=$((failures + 1))
    fi
done
if command -v dpkg-parsechangelog >/dev/null; then
    write 1.1 "## 1.1 (2026-12-08)\n\n- Newer.\n\n## 1.0 (2026-11-30)\n\n- Older.\n"
    zcat "$work/changelog.gz" >"$work/changelog"
    fields=$(dpkg-parsechangelog -l "$work/changelog" -S Version)/$(dpkg-parsechangelog -l "$work/changelog" -S Changes | grep -c '^  \*')
    [ "$fields" = 1.1/1 ] || { echo "FAIL: dpkg-parsechangelog reads $fields, not 1.1/1" >&2; failures=$((failures + 1)); }
fi

# Each bad source, and a word its message must contain.
while IFS='|' read -r version text reason; do
    if write "$version" "$text"; then
        echo "FAIL: accepted $text" >&2
        failures=$((failures + 1))
    # CMake wraps its messages: read them as one line.
    elif ! tr -s '\n ' '  ' <"$work/err" | grep -q "CHANGELOG.md.*$reason"; then
        echo "FAIL: $text: no '$reason' with the file name in:" >&2
        cat "$work/err" >&2
        failures=$((failures + 1))
    fi
done <<'CASES'
1.1|## 1.0 (2026-12-08)\n- Old.\n|project is 1.1
1.0|# Changes\n|no release heading
1.0|## 1.0 2026-12-08\n- Undated.\n|:1: a release heading
1.0|## 1.0 (2026-13-08)\n- Bad month.\n|no such date
1.0|## 1.0 (2026-02-29)\n- Not a leap year.\n|no such date
1.0|## 1.0 (1900-02-29)\n- Nor this.\n|no such date
1.0|## 1.0 (2026-12-08)\n\n## 0.9 (2026-11-01)\n- Only the older.\n|1.0 lists no changes
1.0|## 1.0 (2026-12-08)\nA paragraph.\n|:2: expected a
1.0|## 1.0 (2026-12-08)\n- 0123456789012345678901234567890123456789012345678901234567890123456789012345678\n|:2: too long
CASES
exit $((failures > 0))
