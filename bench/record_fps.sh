#!/usr/bin/env bash
# Frames per second of velmora-record at 1920x1080: the scene alone with only the last frame
# written as PNG, then every frame written as GIF, WebM (VP9) and MP4 (H.264). Prints the rate by
# the clock and by the CPU time the recorder used (user + system, all its threads), and the size
# of each file. Usage: bench/record_fps.sh BUILD_DIR [FRAMES]   (default 333: ten seconds)
set -euo pipefail
record=$1/tools/velmora-record
frames=${2:-333}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config  # the default settings: 30 ms a frame

printf '%-10s %8s %10s %10s %12s\n' output frames "fps clock" "fps CPU" bytes
for kind in png gif webm mp4; do
  out=()
  case $kind in
    png) out=(--out "$work/r.png") ;;
    gif) out=(--gif "$work/r.gif") ;;
    *) out=(--video "$work/r.$kind") ;;
  esac
  TIMEFORMAT='%R %U %S'
  times=$( { time "$record" --size 1920x1080 --frames "$frames" --course 3 --seed 9 "${out[@]}" >/dev/null; } 2>&1 )
  read -r wall user sys <<<"$times"
  awk -v k="$kind" -v n="$frames" -v w="$wall" -v c="$(awk -v u="$user" -v s="$sys" 'BEGIN{print u + s}')" \
      -v b="$(stat -c %s "$work/r.$kind")" \
      'BEGIN { printf "%-10s %8d %10.1f %10.1f %12d\n", k, n, n / w, n / c, b }'
done
