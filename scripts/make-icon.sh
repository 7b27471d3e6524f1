#!/usr/bin/env bash
# Draws velmora.scr's icon with ImageMagick: a night road, two rows of dots running to the
# horizon with a pair of street lamps and a few stars, on a black tile with rounded corners.
# Each size is drawn on its own grid, so the small ones keep whole dots. Writes
# platform/win32/velmora.ico (256 x 256 stored PNG-compressed, 48, 32 and 16 pixels, all 32-bit
# with alpha) and, for the Linux desktop entry, the same picture as PNGs in
# platform/linux/icons/hicolor/.
set -euo pipefail
out=${1:-"$(dirname "$0")/../platform/win32/velmora.ico"}
icons=${2:-"$(dirname "$0")/../platform/linux/icons/hicolor"}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# draw SIZE FILE: the picture laid out on a 64-unit grid, scaled to SIZE pixels.
draw() {
  local size=$1 file=$2 draw=() r d y off xl xr s x
  local dot=$(((size + 20) / 40))  # 2 px at 64, 6 px at 256, 1 px from 48 down
  ((dot < 1)) && dot=1
  # scale UNITS: grid units to pixels.
  scale() { echo $(($1 * size / 64)); }
  # square X Y COLOUR: one dot with its top-left corner at grid point X,Y.
  square() {
    local px py
    px=$(scale "$1") py=$(scale "$2")
    draw+=(-fill "$3" -draw "rectangle $px,$py $((px + dot - 1)),$((py + dot - 1))")
  }
  # Road edge dots in perspective: the same rows as the scene (divisor 237 - r).
  for r in 0 40 80 120 150 175 195 210 220 226; do
    d=$((237 - r))
    y=$((32 + 2000 / d * 30 / 222))
    off=$((612 * 9 / d * 30 / 612))
    xl=$((32 - off)) xr=$((32 + off))
    square "$xl" "$y" '#e3e3e3'
    square "$xr" "$y" '#e3e3e3'
  done
  square 18 40 '#ffff00'
  square 45 40 '#ffff00'
  for s in "6 6" "20 12" "40 5" "55 14" "30 18" "12 20" "50 8"; do
    read -r x y <<<"$s"
    square "$x" "$y" '#00ffff'
  done
  for x in 4 9 15 24 37 43 52 58; do square "$x" 31 '#ffff00'; done
  local corner=$((size / 8))
  convert -size "${size}x${size}" xc:black "${draw[@]}" \
    \( -size "${size}x${size}" xc:none -fill white \
       -draw "roundrectangle 0,0 $((size - 1)),$((size - 1)) $corner,$corner" \) \
    -alpha set -compose DstIn -composite "PNG32:$file"
}

for s in 256 48 32 16; do draw "$s" "$tmp/icon$s.png"; done
# ImageMagick stores the 256-pixel image PNG-compressed and the others as 32-bit bitmaps.
convert "$tmp/icon256.png" "$tmp/icon48.png" "$tmp/icon32.png" "$tmp/icon16.png" "$out"
echo "wrote $out"
# No time stamps in the PNGs, so that drawing them again changes no byte.
for s in 16 32 48 64 128 256; do
  mkdir -p "$icons/${s}x${s}/apps"
  [[ -f $tmp/icon$s.png ]] || draw "$s" "$tmp/icon$s.png"
  convert "$tmp/icon$s.png" -strip -define png:exclude-chunks=date,time "PNG32:$icons/${s}x${s}/apps/velmora.png"
done
echo "wrote $icons/*/apps/velmora.png"
