#!/bin/sh
# frostvale-dump frame: the bitmap a real reader accepts, its size and row
# padding, a repeat that is byte-identical, and a path that cannot be
# written (exit 1, no file).
# Usage: dump_frame_check.sh FROSTVALE_DUMP IDENTIFY WORK_DIR
set -eu
dump=$1
identify=$2
work=$3/dump_frame_check
rm -rf "$work"
mkdir -p "$work"

"$dump" frame 0 "$work/a.bmp" >/dev/null
"$dump" frame 0 "$work/b.bmp" >/dev/null
cmp "$work/a.bmp" "$work/b.bmp"
# identify names a BITMAPINFOHEADER file BMP3
case "$("$identify" -format '%m %w %h' "$work/a.bmp")" in "BMP3 1280 720" | "BMP 1280 720") ;; *) exit 1 ;; esac
[ "$(wc -c <"$work/a.bmp")" -eq 2764854 ]

"$dump" frame 1 "$work/c.bmp" --width 1366 --height 100 >/dev/null
case "$("$identify" -format '%m %w %h' "$work/c.bmp")" in "BMP3 1366 100" | "BMP 1366 100") ;; *) exit 1 ;; esac
[ "$(wc -c <"$work/c.bmp")" -eq $((54 + 4100 * 100)) ]

if "$dump" frame 0 "$work/missing/d.bmp" 2>/dev/null; then exit 1; fi
[ ! -e "$work/missing/d.bmp" ]
echo ok
