#!/usr/bin/env bash
# The web page's transferred size (WebAssembly and JavaScript, gzip -9) and the CPU of headless
# Chromium running the drive (default 1920x1080 for 20 s) beside a blank page. Not part of the
# test suite; takes under a minute.
# Usage: bench/web_page.sh [WxH] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -f build/web/velmora.wasm ]] || scripts/build-web.sh
[[ -d tests/web/node_modules/playwright-core ]] ||
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
exec node bench/web_page.mjs build/web "${1:-1920x1080}" "${2:-20}"
