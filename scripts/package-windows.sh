#!/usr/bin/env bash
# Builds the Windows release: velmora-VERSION-windows-x64.zip with velmora.scr (stripped,
# statically linked), README.txt and LICENSE.txt (Windows line ends), from the cross build.
# Usage: package-windows.sh [OUTPUT_DIR]   (default: the build directory)
#   VELMORA_WINDOWS_BUILD  cross build directory (default build/windows, the "windows" preset's)
#   JOBS                   parallel jobs (default 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_WINDOWS_BUILD:-$root/build/windows}
jobs=${JOBS:-2}

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVELMORA_BENCH=OFF >/dev/null
cmake --build "$build" --target velmora -j "$jobs"

version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[[ -n $version ]] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
out_dir=$(mkdir -p "${1:-$build}" && cd "${1:-$build}" && pwd)
zip_file=$out_dir/velmora-$version-windows-x64.zip

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/platform/win32/velmora.scr" "$stage/velmora.scr"
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/platform/win32/README.txt" >"$stage/README.txt"
sed -e 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"
rm -f "$zip_file"
(cd "$stage" && zip -q -X "$zip_file" velmora.scr README.txt LICENSE.txt)
echo "$zip_file"
