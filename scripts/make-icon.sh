#!/usr/bin/env bash
# Draws velmora.scr's icon with ImageMagick: a night road, two rows of dots running to the
# horizon with a pair of street lamps and a few stars. Writes platform/win32/velmora.ico and, for
# the Linux desktop entry, the same picture as PNGs in platform/x11/icons/hicolor/.
set -euo pipefail
out=${1:-"$(dirname "$0")/../platform/win32/velmora.ico"}
icons=${2:-"$(dirname "$0")/../platform/x11/icons/hicolor"}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
draw=()
# Road edge dots in perspective: the same rows as the scene (divisor 237 - r), scaled to 64 px.
for r in 0 40 80 120 150 175 195 210 220 226; do
  d=$((237 - r))
  y=$((32 + 2000 / d * 30 / 222))
  off=$((612 * 9 / d * 30 / 612))
  xl=$((32 - off)); xr=$((32 + off))
  draw+=(-fill '#e3e3e3' -draw "rectangle $xl,$y $((xl + 1)),$((y + 1))" -draw "rectangle $xr,$y $((xr + 1)),$((y + 1))")
done
draw+=(-fill '#ffff00' -draw "rectangle 18,40 19,41" -draw "rectangle 45,40 46,41")
for s in "6,6" "20,12" "40,5" "55,14" "30,18" "12,20" "50,8"; do
  draw+=(-fill '#00ffff' -draw "point $s")
done
for x in 4 9 15 24 37 43 52 58; do
  draw+=(-fill '#ffff00' -draw "point $x,31")
done
convert -size 64x64 xc:black "${draw[@]}" "$tmp/icon64.png"
for s in 16 32 48; do convert "$tmp/icon64.png" -filter point -resize ${s}x${s} "$tmp/icon$s.png"; done
convert "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" "$tmp/icon64.png" "$out"
echo "wrote $out"
# No time stamps in the PNGs, so that drawing them again changes no byte.
for s in 16 32 48 64 128 256; do
  mkdir -p "$icons/${s}x${s}/apps"
  convert "$tmp/icon64.png" -filter point -resize ${s}x${s} -strip -define png:exclude-chunks=date,time \
    "$icons/${s}x${s}/apps/velmora.png"
done
echo "wrote $icons/*/apps/velmora.png"
