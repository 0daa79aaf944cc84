#!/bin/sh
# Builds the Windows release from the sources in a fresh build folder and
# writes it to dist/: the zip (Frostvale2026.scr and a read-me), the setup
# program, the Windows Installer package and SHA256SUMS over them. Two runs
# on the same commit give the same bytes, wherever the tree lies: the packed
# files carry the last commit's time (or SOURCE_DATE_EPOCH's).
set -eu
cd "$(dirname "$0")/.."
export LC_ALL=C  # the file order in SHA256SUMS and the listing
tools/setup-debian.sh

if [ -n "$(git status --porcelain 2>/dev/null)" ]; then
    echo "note: the tree has uncommitted changes; this release matches no commit" >&2
fi
BUILD=${FROSTVALE_BUILD:-build}/release
rm -rf "$BUILD" dist
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DFROSTVALE_TESTS=OFF
cmake --build "$BUILD" -j "$(nproc)" --target Frostvale2026 Uninstall

python3 tools/package_windows.py "$BUILD/Frostvale2026.scr" dist
(cd dist && sha256sum -- * >SHA256SUMS)

echo "dist/:"
(cd dist && ls -l -- *)
cat dist/SHA256SUMS
