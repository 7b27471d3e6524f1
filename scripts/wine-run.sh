#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine: the CTest emulator of the Windows build and the
# helper of the Windows end-to-end tests. Usage: wine-run.sh PROGRAM.exe [ARGS...]
# WINEPREFIX defaults to a prefix beside the build (created on first use); WINEDEBUG is quiet.
set -euo pipefail
: "${WINEPREFIX:=${VELMORA_WINEPREFIX:-${TMPDIR:-/tmp}/velmora-wineprefix-$(id -u)}}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
# No dialogs about missing Mono or Gecko: the programs need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=$(command -v wine || command -v wine64)
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  "$wine" wineboot -i >/dev/null 2>&1 || true
fi
exec "$wine" "$@"
