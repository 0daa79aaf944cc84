#!/bin/sh
# frostvale-dump wave: the file a real audio reader accepts (22050 Hz,
# mono, 16-bit, 1,789,942 samples, about 81.18 s), its size, the random
# state after the textures and the full-screen layout (8230 advanced by
# 23,160 + 8287 draws) and after the ticks (112,896 more), a repeat that is
# byte-identical, and a path that cannot be written (exit 1, no file).
# Usage: dump_wave_check.sh FROSTVALE_DUMP SOXI WORK_DIR
set -eu
dump=$1
soxi=$2
work=$3/dump_wave_check
rm -rf "$work"
mkdir -p "$work"

out=$("$dump" wave "$work/a.wav")
case "$out" in *"1789942 samples"*"peak 22936, random state 2018369496 -> 109088859") ;; *) echo "$out"; exit 1 ;; esac
"$dump" wave "$work/b.wav" >/dev/null
cmp "$work/a.wav" "$work/b.wav"
[ "$(wc -c <"$work/a.wav")" -eq 3579928 ]
[ "$("$soxi" -r "$work/a.wav")" = 22050 ]
[ "$("$soxi" -c "$work/a.wav")" = 1 ]
[ "$("$soxi" -b "$work/a.wav")" = 16 ]
[ "$("$soxi" -s "$work/a.wav")" = 1789942 ]
case "$("$soxi" -D "$work/a.wav")" in 81.17*) ;; *) exit 1 ;; esac

if "$dump" wave "$work/missing/c.wav" 2>/dev/null; then exit 1; fi
[ ! -e "$work/missing/c.wav" ]
echo ok
