#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the release build's unit and
# end-to-end tests, the sanitizer build's unit tests (with the long run of a million frames per
# hill level), and the Windows build's tests under Wine when that part of the tree is present.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/deps.sh

echo "== release build"
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
ctest --preset release -j"$jobs"

echo "== sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs" -L unit

if [ -x scripts/test-windows.sh ]; then
  echo "== Windows build under Wine"
  scripts/test-windows.sh
fi
