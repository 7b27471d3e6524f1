#!/usr/bin/env bash
# Builds the web page into build/web/: the WebAssembly module of the scene and the settings
# (Emscripten, from Debian's emscripten package) and the page's own files.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
objects=build/web-objects
# Debian's Emscripten runs its JavaScript tools with modules Debian keeps in /usr/share/nodejs,
# where a node from elsewhere does not look by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
if [[ ! -f $objects/CMakeCache.txt ]]; then
  emcmake cmake -S web -B "$objects" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$objects" -j"$jobs"
mkdir -p build/web
cp "$objects/velmora.js" "$objects/velmora.wasm" web/index.html web/page.js web/page.css build/web/
echo "built build/web/ (serve it with scripts/serve-web.sh)"
