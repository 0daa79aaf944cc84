#!/bin/sh
# capture_timing.sh [SECONDS...]: the wall time of a capture of each scene
# time (default 3600 36000 1048576), natively (frostvale-dump frame) and
# under Wine (Frostvale2026.scr /x) on a private virtual display, with
# both exit codes. Run by hand after tools/test.sh has built both folders;
# SCR and DUMP name other builds.
set -eu
cd "$(dirname "$0")/.."
BUILD=${FROSTVALE_BUILD:-build}
SCR=${SCR:-$(pwd)/$BUILD/win64/Frostvale2026.scr}
DUMP=${DUMP:-$(pwd)/$BUILD/native/tools/frostvale-dump}
[ $# -gt 0 ] || set -- 3600 36000 1048576

OUT=$(mktemp -d)
export WINEPREFIX="$(pwd)/$BUILD/wine-run"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
Xvfb -displayfd 1 -screen 0 1600x900x24 -nolisten tcp >"$OUT/display" 2>/dev/null &
XVFB_PID=$!
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; kill $XVFB_PID 2>/dev/null; rm -rf "$OUT"' EXIT
while [ ! -s "$OUT/display" ]; do sleep 0.1; done
export DISPLAY=":$(head -n1 "$OUT/display")"
# a server left running by an earlier command would not know this display
wineserver -w
[ -d "$WINEPREFIX" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
wineserver -p  # one server for all the runs, started before the clock

now() { date +%s.%N; }
for seconds in "$@"; do
    start=$(now)
    native_code=0
    "$DUMP" frame "$seconds" "$OUT/native.bmp" >/dev/null || native_code=$?
    native=$(awk "BEGIN { print $(now) - $start }")
    start=$(now)
    wine_code=0
    wine "$SCR" /x "$seconds" "$(winepath -w "$OUT/wine.bmp")" || wine_code=$?
    wine=$(awk "BEGIN { print $(now) - $start }")
    printf '%9s s: frostvale-dump frame %8.2f s   /x under Wine %8.2f s   (exit codes %d and %d)\n' "$seconds" \
        "$native" "$wine" "$native_code" "$wine_code"
    rm -f "$OUT/native.bmp" "$OUT/wine.bmp"
done
