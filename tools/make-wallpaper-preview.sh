#!/bin/sh
# Makes the wallpaper packages' previews in packaging/wallpaper/ from the
# scene, with the Linux program (BUILD/native/frostvale, tools/run.sh builds
# it) and frostvale-dump: preview.gif, the animation the wallpaper apps show in their
# galleries (frostvale --video from 20 s), and thumbnail.png, the capture of
# 20 s. Run it again only when the scene's picture changes; the packages
# take the files as they are.
set -eu
cd "$(dirname "$0")/.."
BUILD=${FROSTVALE_BUILD:-build}
FROSTVALE=${FROSTVALE:-$BUILD/native/frostvale}
OUT=packaging/wallpaper
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

"$FROSTVALE" --video 20 2 "$WORK/preview.gif" --size 320x180 --no-music --quality 1
"$BUILD/native/tools/frostvale-dump" frame 20 "$WORK/thumbnail.bmp" --width 320 --height 180
ffmpeg -loglevel error -y -i "$WORK/thumbnail.bmp" -frames:v 1 "$WORK/thumbnail.png"
mv "$WORK/preview.gif" "$WORK/thumbnail.png" "$OUT/"
ls -l "$OUT/preview.gif" "$OUT/thumbnail.png"
