#!/usr/bin/env bash
# Installs what is missing, builds Velmora and shows it: the saver full screen when there is a
# display and the saver has been built, otherwise a short recorded animation.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"

bin=build/release
out=$bin/velmora-demo
"$bin/tools/velmora-record" --size 1280x720 --frames 400 --course 3 --set UpDown=3 --set Comet=1 \
  --every 2 --out "$out.png" --gif "$out.gif"
echo "The animation is in $PWD/$out.gif (last frame: $PWD/$out.png)."
