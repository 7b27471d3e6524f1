#!/usr/bin/env bash
# Installs what is missing, builds Velmora and starts the screen saver full screen (move the
# mouse or press a key to end it) on the X display or the Wayland desktop. Without either it
# records a short animation instead and says where the files are.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"

bin=build/release
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting the saver: move the mouse or press a key to end it."
  exec "$bin/platform/linux/velmora" /s
fi

out=$bin/velmora-demo
"$bin/tools/velmora-record" --size 1280x720 --frames 400 --course 3 --set UpDown=3 --set Comet=1 \
  --every 2 --out "$out.png" --gif "$out.gif"
echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the animation was recorded instead:"
echo "  $PWD/$out.gif (last frame: $PWD/$out.png)"
