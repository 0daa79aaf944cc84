#!/bin/sh
# Builds Frostvale2026.scr and its test driver, then leaves the program
# running in its window under Wine on a private display for MINUTES minutes
# (default 30), printing its memory, handle count, frames per second and
# CPU share every 30 seconds. Not part of the test command.
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh
BUILD=${FROSTVALE_BUILD:-build}
cmake -S . -B "$BUILD/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
cmake --build "$BUILD/win64" -j "$(nproc)"
exec python3 tools/soak.py "${1:-30}"
