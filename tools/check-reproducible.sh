#!/bin/sh
# Builds the release of the last commit twice, from two fresh clones in two
# differently named folders, under different time zones and file modes, and
# compares the two dist/ folders byte for byte. On a difference it names the
# files and the byte ranges that differ and fails.
set -eu
cd "$(dirname "$0")/.."
if [ -n "$(git status --porcelain)" ]; then
    echo "note: checking the last commit; uncommitted changes are not in it" >&2
fi
COMMIT=$(git rev-parse HEAD)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FIRST="$WORK/first"
SECOND="$WORK/second/with a longer name"

build() {  # folder, umask, time zone
    git clone -q --no-checkout . "$1"
    git -C "$1" checkout -q --detach "$COMMIT"
    (cd "$1" && umask "$2" && env -u FROSTVALE_BUILD TZ="$3" tools/release.sh >"$WORK/log" 2>&1) ||
        { cat "$WORK/log"; exit 1; }
}
build "$FIRST" 022 UTC
build "$SECOND" 077 Pacific/Kiritimati

status=0
for file in "$FIRST/dist"/*; do
    name=$(basename "$file")
    if cmp -s "$file" "$SECOND/dist/$name"; then
        echo "same: $name"
    else
        status=1
        echo "DIFFERENT: $name, byte ranges (from 1):"
        cmp -l "$file" "$SECOND/dist/$name" 2>&1 | awk '
            /EOF/ { print "  " $0; next }
            $1 != last + 1 { if (start) print "  " start "-" last; start = $1 }
            { last = $1 }
            END { if (start) print "  " start "-" last }'
    fi
done
if [ "$(ls "$FIRST/dist")" != "$(ls "$SECOND/dist")" ] || [ "$(ls "$FIRST/dist" | wc -l)" -ne 6 ]; then
    echo "DIFFERENT: the two dist/ folders should hold the same 6 files"
    status=1
fi
exit $status
