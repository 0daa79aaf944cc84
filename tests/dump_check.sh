#!/bin/sh
# frostvale-dump through real readers, each output once to a path that
# cannot be written too (exit 1, no file).
# frame: the bitmap ImageMagick's identify accepts (it names a
# BITMAPINFOHEADER file BMP3), its size and row padding.
# wave: the file sox's soxi accepts (22050 Hz, mono, 16-bit, 1,789,942
# samples), its size, the random state after the textures
# and the full-screen layout (8230 advanced by 23,160 + 8287 draws) and
# after the ticks (112,896 more).
# clock: 30 days of live frames at 30, 60, 144 and 240 per second, every
# step registered within 15 % and none lost.
# Usage: dump_check.sh FROSTVALE_DUMP IDENTIFY SOXI WORK_DIR
set -eu
dump=$1
identify=$2
soxi=$3
work=$4/dump_check
rm -rf "$work"
mkdir -p "$work"

# Writes SUBCOMMAND ARGS to a.EXT, and checks that missing/c.EXT fails.
write() {
    ext=$1
    shift
    "$dump" "$@" "$work/a.$ext" >"$work/out"
    if "$dump" "$@" "$work/missing/c.$ext" 2>/dev/null; then exit 1; fi
    [ ! -e "$work/missing/c.$ext" ]
}

write bmp frame 0
case "$("$identify" -format '%m %w %h' "$work/a.bmp")" in "BMP3 1280 720" | "BMP 1280 720") ;; *) exit 1 ;; esac
[ "$(wc -c <"$work/a.bmp")" -eq 2764854 ]
"$dump" frame 1 "$work/d.bmp" --width 1366 --height 100 >/dev/null
case "$("$identify" -format '%m %w %h' "$work/d.bmp")" in "BMP3 1366 100" | "BMP 1366 100") ;; *) exit 1 ;; esac
[ "$(wc -c <"$work/d.bmp")" -eq $((54 + 4100 * 100)) ]

write wav wave
case "$(cat "$work/out")" in *"1789942 samples"*"peak 22936, random state 2018369496 -> 109088859") ;; *) cat "$work/out"; exit 1 ;; esac
[ "$(wc -c <"$work/a.wav")" -eq 3579928 ]
[ "$("$soxi" -r "$work/a.wav")" = 22050 ]
[ "$("$soxi" -c "$work/a.wav")" = 1 ]
[ "$("$soxi" -b "$work/a.wav")" = 16 ]
[ "$("$soxi" -s "$work/a.wav")" = 1789942 ]
for fps in 30 60 144 240; do
    "$dump" clock 30 --fps $fps >"$work/out"
    grep -q '^stalled frames 0$' "$work/out"
    awk '/^worst step error/ { ok = $4 < 15 } END { exit !ok }' "$work/out"
done
echo ok
