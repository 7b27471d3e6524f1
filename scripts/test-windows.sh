#!/usr/bin/env bash
# The Windows half of the test command: configures and cross-builds velmora.scr with mingw-w64,
# runs the unit tests built for Windows under Wine, then the Windows end-to-end tests (Wine on a
# private Xvfb) from a small native build that provides their Linux-side helper.
#   VELMORA_WINDOWS_BUILD  cross build directory (default build/windows, the "windows" preset's)
#   VELMORA_WINDOWS_HOST   native helper build directory (default build/windows-host)
#   JOBS                   parallel jobs (default 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_WINDOWS_BUILD:-$root/build/windows}
host=${VELMORA_WINDOWS_HOST:-$root/build/windows-host}
jobs=${JOBS:-2}

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVELMORA_BENCH=OFF
cmake --build "$build" -j "$jobs"

# Unit tests under Wine, in a prefix of their own beside the build.
export VELMORA_WINEPREFIX=$build/wineprefix-unit
"$root/scripts/wine-run.sh" --headless wineboot -i >/dev/null 2>&1 || true
# Without the null driver in place every test would try to set it and end the server under the others.
if [[ ! -f $VELMORA_WINEPREFIX/velmora-headless ]]; then
  echo "test-windows.sh: the Wine prefix $VELMORA_WINEPREFIX could not be set up" >&2
  exit 1
fi
ctest --test-dir "$build" -j "$jobs" --output-on-failure

# End-to-end: each script makes its own prefix and display.
cmake -S "$root" -B "$host" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BENCH=OFF -DVELMORA_LINUX_DESKTOP=OFF \
    -DVELMORA_WINDOWS_BUILD_DIR="$build"
cmake --build "$host" --target regshare formcheck -j "$jobs"
ctest --test-dir "$host" -L windows --output-on-failure
