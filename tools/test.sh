#!/bin/sh
# Builds everything (the Windows program and test driver, the native core,
# tests and tools) and runs every test: the native unit tests and the
# end-to-end tests of the real program under Wine on a private display.
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh

BUILD=${FROSTVALE_BUILD:-build}
JOBS=$(nproc)

cmake -S . -B "$BUILD/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
cmake --build "$BUILD/win64" -j "$JOBS"

cmake -S . -B "$BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DFROSTVALE_WINDOWS_BUILD="$(pwd)/$BUILD/win64"
cmake --build "$BUILD/native" -j "$JOBS"

ctest --test-dir "$BUILD/native" --output-on-failure -j "$JOBS"
