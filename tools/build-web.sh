#!/bin/sh
# Builds the browser version into dist/web/ (index.html, frostvale.js,
# frostvale.wasm) and frostvale-dump for node ($BUILD/web/tools/
# frostvale-dump.js), installing Emscripten when it is missing, and prints
# the page's file sizes. Serve it with: python3 -m http.server -d dist/web
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh cmake ninja-build emscripten binaryen

BUILD=${FROSTVALE_BUILD:-build}
# Debian's emcc runs its JavaScript optimizer on Debian's acorn
export NODE_PATH=/usr/share/nodejs

emcmake cmake -S . -B "$BUILD/web" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD/web" -j "$(nproc)"

mkdir -p dist/web
cp "$BUILD/web/frostvale.js" "$BUILD/web/frostvale.wasm" src/host/web/index.html dist/web/
for f in index.html frostvale.js frostvale.wasm; do
    printf '%-15s %8d bytes, %7d gzipped\n' "$f" "$(wc -c <"dist/web/$f")" "$(gzip -9 -c "dist/web/$f" | wc -c)"
done
