#!/bin/sh
# Fails unless every option that PROGRAM --help lists is in the manual page PAGE as man shows it,
# so a page made from an older --help, or a --help that help2man misread, is caught.
#   check-manual-page.sh PROGRAM PAGE
set -eu
program=$1
page=$2
export LC_ALL=C

help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help)
# Wide enough that man never breaks an option across lines.
shown=$(MANWIDTH=1000 man --nh --nj -l "$page")

options=$(printf '%s\n' "$help" | grep -oE '(^|[[:space:],|[])--?[A-Za-z][A-Za-z0-9-]*' |
    sed 's/^[^-]*//' | sort -u)
if [ -z "$options" ]; then
    echo "$program --help lists no options:" >&2
    printf '%s\n' "$help" >&2
    exit 1
fi

missing=
for option in $options; do
    # An option counts only as a word of its own, not as a prefix of a longer one.
    if ! printf '%s\n' "$shown" | grep -qE -- "(^|[^A-Za-z0-9-])$option([^A-Za-z0-9-]|\$)"; then
        missing="$missing $option"
    fi
done
if [ -n "$missing" ]; then
    echo "$page lacks these options of $program --help:$missing" >&2
    exit 1
fi
echo "$page has every option of $program --help: $(printf '%s' "$options" | tr '\n' ' ')"
