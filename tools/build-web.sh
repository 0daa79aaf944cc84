#!/bin/sh
# Builds the browser version into dist/web/ (index.html, frostvale.js,
# frostvale.wasm, the web app's manifest, icons and service worker), the
# same page as live wallpaper packages into dist/wallpaper/ (the folders
# lively/ and wallpaper-engine/ and their .zip files,
# tools/package_wallpaper.py) and frostvale-dump for node
# ($BUILD/web/tools/frostvale-dump.js), installing Emscripten when it is
# missing, and prints the page's file sizes. Serve it with:
# python3 -m http.server -d dist/web
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh cmake ninja-build emscripten binaryen python3

BUILD=${FROSTVALE_BUILD:-build}
# Debian's emcc runs its JavaScript optimizer on Debian's acorn
export NODE_PATH=/usr/share/nodejs

emcmake cmake -S . -B "$BUILD/web" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD/web" -j "$(nproc)"

# the program's own icon at the sizes browsers ask for, drawn again only
# when its drawing changes
icons="32 180 192 512"
if [ ! -f "$BUILD/web/icon-512.png" ] || [ tools/make_icon.py -nt "$BUILD/web/icon-512.png" ]; then
    python3 tools/make_icon.py --png "$BUILD/web/icon" $icons
fi

mkdir -p dist/web
cp "$BUILD/web/frostvale.js" "$BUILD/web/frostvale.wasm" src/host/web/index.html src/host/web/frostvale-worker.js \
   src/host/web/manifest.webmanifest dist/web/
for size in $icons; do cp "$BUILD/web/icon-$size.png" dist/web/; done
# the service worker's cache is named after the files it keeps
version=$(cd dist/web && cat index.html frostvale.js frostvale-worker.js frostvale.wasm manifest.webmanifest icon-*.png |
          sha256sum | cut -c1-12)
sed "s/@VERSION@/$version/" src/host/web/sw.js >dist/web/sw.js

# the wallpaper packages, from the same page
python3 tools/package_wallpaper.py "$BUILD/web" dist/wallpaper >/dev/null

total=0
for f in index.html frostvale.js frostvale-worker.js frostvale.wasm sw.js manifest.webmanifest; do
    size=$(gzip -9 -c "dist/web/$f" | wc -c)
    total=$((total + size))
    printf '%-20s %8d bytes, %7d gzipped\n' "$f" "$(wc -c <"dist/web/$f")" "$size"
done
printf '%-20s %8d bytes (PNG, already compressed)\n' "icons" "$(cat dist/web/icon-*.png | wc -c)"
printf '%-20s %8d bytes gzipped, icons aside; the service worker keeps %d bytes\n' "total" "$total" \
    "$(cd dist/web && cat index.html frostvale.js frostvale-worker.js frostvale.wasm manifest.webmanifest icon-*.png | wc -c)"
printf '%-20s %8d bytes (Lively), %d bytes (Wallpaper Engine), in dist/wallpaper/\n' "wallpaper .zip" \
    "$(cat dist/wallpaper/Frostvale2026-*-lively.zip | wc -c)" \
    "$(cat dist/wallpaper/Frostvale2026-*-wallpaper-engine.zip | wc -c)"
