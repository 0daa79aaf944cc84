#!/bin/sh
# Builds the Windows release of the last commit in a fresh build folder and
# writes it to dist/: the zip (Frostvale2026.scr and a read-me), the setup
# program, the Windows Installer package, the live wallpaper packages for
# Lively Wallpaper and Wallpaper Engine (the web page's, see
# tools/package_wallpaper.py) and SHA256SUMS over them. Two runs
# on the same commit give the same bytes, wherever the tree lies: the packed
# files carry the last commit's time (or SOURCE_DATE_EPOCH's). The version
# is tools/version.py's; a tree with changes not committed is refused. A
# signing certificate is checked before anything is built, and the release
# reaches dist/ only when all of it is made and signed: on any failure dist/
# holds what it held before.
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh

python3 tools/package_windows.py --check-signing
VERSION=$(python3 tools/version.py)
case "$VERSION" in
    *+*) echo "version $VERSION: a release is made from a commit; commit or stash the changes first" >&2
         exit 1 ;;
esac
BUILD=${FROSTVALE_BUILD:-build}/release
rm -rf "$BUILD"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DFROSTVALE_TESTS=OFF
cmake --build "$BUILD" -j "$(nproc)" --target Frostvale2026 Uninstall

# the wallpaper packages: the page's program built for them alone
export NODE_PATH=/usr/share/nodejs  # Debian's emcc runs its optimizer on Debian's acorn
emcmake cmake -S . -B "$BUILD/web" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD/web" -j "$(nproc)" --target frostvale-wallpaper
python3 tools/package_wallpaper.py --version "$VERSION" "$BUILD/web" "$BUILD/wallpaper" >/dev/null

python3 tools/package_windows.py --version "$VERSION" "$BUILD/Frostvale2026.scr" dist \
    --with "$BUILD/wallpaper/Frostvale2026-$VERSION-lively.zip" \
    --with "$BUILD/wallpaper/Frostvale2026-$VERSION-wallpaper-engine.zip" >/dev/null
echo "dist/ (version $VERSION):"
(cd dist && ls -l -- Frostvale2026-* SHA256SUMS)
cat dist/SHA256SUMS
