#!/bin/sh
# Builds Frostvale2026.scr and shows it in its window (/w) under Wine on the
# current display. Without a display it renders a capture of the scene
# (/x SECONDS) on a private virtual display instead and says where it is.
# Wine keeps its own settings for this in build/wine-run.
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh

BUILD=${FROSTVALE_BUILD:-build}
cmake -S . -B "$BUILD/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DFROSTVALE_TESTS=OFF
cmake --build "$BUILD/win64" -j "$(nproc)"

export WINEPREFIX="$(pwd)/$BUILD/wine-run"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
SCR="$(pwd)/$BUILD/win64/Frostvale2026.scr"

if [ -n "${DISPLAY:-}" ]; then
    [ -d "$WINEPREFIX" ] || wineboot -i
    wine "$SCR" /w
else
    SECONDS_IN=${FROSTVALE_CAPTURE_SECONDS:-20}
    OUT="$(pwd)/$BUILD/frostvale-capture.bmp"
    XVFB_FD=$(mktemp)
    Xvfb -displayfd 1 -screen 0 1600x900x24 -nolisten tcp >"$XVFB_FD" 2>/dev/null &
    XVFB_PID=$!
    trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; kill $XVFB_PID 2>/dev/null; rm -f "$XVFB_FD"' EXIT
    while [ ! -s "$XVFB_FD" ]; do sleep 0.1; done
    export DISPLAY=":$(head -n1 "$XVFB_FD")"
    [ -d "$WINEPREFIX" ] || wineboot -i
    rm -f "$OUT"
    wine "$SCR" /x "$SECONDS_IN" "$(winepath -w "$OUT")"
    echo "No display: wrote the scene at ${SECONDS_IN} s to $OUT"
fi
