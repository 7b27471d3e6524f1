#!/usr/bin/env bash
# Builds the Windows release: velmora-VERSION-windows.zip with the 64-bit velmora.scr at the top,
# the 32-bit one in x86/ (both stripped and statically linked), README.txt and LICENSE.txt
# (Windows line ends), from the two cross builds.
# Usage: package-windows.sh [OUTPUT_DIR]   (default: the 64-bit build directory)
#   VELMORA_WINDOWS_BUILD    64-bit cross build directory (default build/windows, the "windows" preset's)
#   VELMORA_WINDOWS32_BUILD  32-bit cross build directory (default build/windows32, the "windows32" preset's)
#   JOBS                     parallel jobs (default 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build64=${VELMORA_WINDOWS_BUILD:-$root/build/windows}
build32=${VELMORA_WINDOWS32_BUILD:-$root/build/windows32}
jobs=${JOBS:-2}

for pair in "$build64 x86_64" "$build32 i686"; do
  read -r build arch <<<"$pair"
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DVELMORA_BENCH=OFF >/dev/null
  cmake --build "$build" --target velmora -j "$jobs"
done

version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[[ -n $version ]] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
out_dir=$(mkdir -p "${1:-$build64}" && cd "${1:-$build64}" && pwd)
zip_file=$out_dir/velmora-$version-windows.zip

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/x86"
cp "$build64/platform/win32/velmora.scr" "$stage/velmora.scr"
cp "$build32/platform/win32/velmora.scr" "$stage/x86/velmora.scr"
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/platform/win32/README.txt" >"$stage/README.txt"
sed -e 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"
rm -f "$zip_file"
(cd "$stage" && zip -q -X "$zip_file" velmora.scr x86/velmora.scr README.txt LICENSE.txt)
echo "$zip_file"
