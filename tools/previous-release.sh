#!/bin/sh
# Builds the Windows release of an earlier commit with that commit's own
# tools, once (kept under build/previous-release/COMMIT), and prints its
# folder: the upgrade tests install it and then upgrade it with today's.
#
#   tools/previous-release.sh [COMMIT]
set -eu
cd "$(dirname "$0")/.."
# the last release whose version was written in CMakeLists.txt (2026.1.0)
COMMIT=${1:-b6f7252}
OUT=$(pwd)/${FROSTVALE_BUILD:-build}/previous-release/$COMMIT
if [ ! -f "$OUT/dist/SHA256SUMS" ]; then
    rm -rf "$OUT"
    mkdir -p "$OUT/source"
    git archive "$COMMIT" | tar -x -C "$OUT/source"
    # its packed files carry its commit's time, as its own release did
    if ! (cd "$OUT/source" && env -u FROSTVALE_BUILD SOURCE_DATE_EPOCH="$(git log -1 --format=%ct "$COMMIT")" \
            sh tools/release.sh) >"$OUT/log" 2>&1; then
        cat "$OUT/log" >&2
        exit 1
    fi
    mv "$OUT/source/dist" "$OUT/dist"
    rm -rf "$OUT/source"
fi
echo "$OUT/dist"
