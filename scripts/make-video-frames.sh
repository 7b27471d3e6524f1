#!/usr/bin/env bash
# Draws the README's pictures of recorded video: the same frame as velmora-record's PNG, decoded
# from its WebM and MP4, and, for comparison, through H.264 at FFmpeg's usual 4:2:0; each cropped
# around the horizon and enlarged three times so that single pixels show. Writes docs/record-*.png.
# Usage: scripts/make-video-frames.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
record=${1:-$root/build/release}/tools/velmora-record
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME=$tmp/config
args=(--size 640x360 --frames 200 --course 3 --seed 4 --set UpDown=3)
"$record" "${args[@]}" --out "$tmp/png.png" --video "$tmp/v.webm" >/dev/null
"$record" "${args[@]}" --video "$tmp/v.mp4" >/dev/null
for ext in webm mp4; do
  # As the files' colour tags say: limited-range BT.709.
  ffmpeg -v error -y -i "$tmp/v.$ext" \
    -vf "scale=in_color_matrix=bt709:in_range=tv:flags=neighbor+accurate_rnd+full_chroma_int,format=rgb24" \
    -update 1 "$tmp/$ext.png"
done
ffmpeg -v error -y -loop 1 -i "$tmp/png.png" -frames:v 30 -c:v libx264 -pix_fmt yuv420p "$tmp/420.mp4"
ffmpeg -v error -y -i "$tmp/420.mp4" -pix_fmt rgb24 -update 1 "$tmp/420.png"
for name in png webm mp4 420; do
  convert "$tmp/$name.png" -crop 200x64+220+150 +repage -filter point -resize 300% -strip \
    -define png:exclude-chunks=date,time "$root/docs/record-$name.png"
done
echo "wrote $root/docs/record-{png,webm,mp4,420}.png"
