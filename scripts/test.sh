#!/usr/bin/env bash
# Installs what is missing, checks the sources' formatting, builds everything and runs every test:
#   1. the Linux release build: unit tests and end-to-end tests under Xvfb, and the web page in
#      headless Chromium;
#   2. the Windows cross build: its unit tests and end-to-end tests under Wine and Xvfb;
#   3. the Linux sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer): the unit tests
#      again, with the long run of a million frames for each hill level.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/deps.sh

echo "== Formatting"
scripts/check-format.sh

echo "== Linux release build"
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
JOBS=$jobs scripts/build-web.sh
ctest --preset release -j"$jobs" -LE windows

echo "== Windows build under Wine"
JOBS=$jobs scripts/test-windows.sh

echo "== Linux sanitizer build"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs" -L unit
