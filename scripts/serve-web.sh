#!/usr/bin/env bash
# Serves build/web/ on localhost and prints the address (PORT=8000 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
port=${PORT:-8000}
[[ -f build/web/index.html ]] || scripts/build-web.sh
echo "Velmora in a browser: http://localhost:$port/"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web
