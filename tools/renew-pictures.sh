#!/bin/sh
# Rewrites the stored pictures of the scene in motion (tests/pictures/)
# from today's build of frostvale-dump. Run it only for an intended change
# of the scene; review shows the change as changed images.
# Usage: tools/renew-pictures.sh [BUILD_DIR]   (default build/native)
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh
BUILD=${1:-build/native}
[ -f "$BUILD/CMakeCache.txt" ] || cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD" --target frostvale-dump
python3 tests/pictures.py renew "$BUILD/tools/frostvale-dump"
git status --short tests/pictures
