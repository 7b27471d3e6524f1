#!/usr/bin/env bash
# The web page's tests: installs the test's npm packages (playwright-core, which drives Debian's
# own Chromium), then runs them with node's test runner.
#   run.sh VELMORA_RECORD VELMORA_STORECHECK
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
if [[ ! -f $root/build/web/velmora.wasm ]]; then
  echo "build/web/ is missing: run scripts/build-web.sh first" >&2
  exit 1
fi
# Installed again only when the lock file changed.
stamp=$here/node_modules/.package-lock.json
if [[ ! -f $stamp || $here/package-lock.json -nt $stamp ]]; then
  (cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
fi
export VELMORA_RECORD=$1 VELMORA_STORECHECK=$2 VELMORA_WEB=$root/build/web
exec node --test --test-reporter=tap --test-concurrency=1 "$here/page.test.mjs"
