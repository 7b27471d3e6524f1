#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine: the CTest emulator of the Windows build and the
# helper of the Windows end-to-end tests. Usage: wine-run.sh [--headless] PROGRAM.exe [ARGS...]
# WINEPREFIX defaults to a prefix beside the build (created on first use); WINEDEBUG shows Wine's
# errors only.
# --headless (the unit tests): the prefix draws with Wine's null display driver, so windows can be
# made and measured with no X display at all.
# Wine runs without address-space randomisation: randomised, the kernel now and then puts the
# loader's heap where Wine must map its shared user data (0x7ffe0000), and that process then ends
# before running anything ("failed to map the shared user data"), about once in two thousand starts.
set -euo pipefail
headless=0
if [[ ${1:-} == --headless ]]; then
  headless=1
  shift
fi
: "${WINEPREFIX:=${VELMORA_WINEPREFIX:-${TMPDIR:-/tmp}/velmora-wineprefix-$(id -u)}}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all,err+all}"
# No dialogs about missing Mono or Gecko: the programs need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=("$(command -v wine || command -v wine64)")
# (Where the sandbox forbids changing the personality, Wine runs as it is.)
if setarch "$(uname -m)" -R true 2>/dev/null; then wine=(setarch "$(uname -m)" -R "${wine[@]}"); fi
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  "${wine[@]}" wineboot -i >/dev/null 2>&1 || true
fi
if ((headless)) && [[ ! -f $WINEPREFIX/velmora-headless ]]; then
  "${wine[@]}" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 &&
    touch "$WINEPREFIX/velmora-headless"
  # The desktop process of a running server came up without a driver (there is no X display);
  # end that server so the next one starts its desktop on the null driver.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
fi
((headless)) || exec "${wine[@]}" "$@"
# A unit test's Wine client can lose its server as it starts ("wine client error:0: recvmsg:
# Connection reset by peer", a server ending while the program connects), seen about once in a
# run of the Windows unit tests. The test then ran nothing of its own: it is started once more.
# Its error output passes through as it comes.
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
status=0
"${wine[@]}" "$@" 2> >(tee "$errors" >&2) || status=$?
if ((status != 0)) && grep -q '^wine client error' "$errors"; then
  echo "wine-run.sh: Wine lost its server starting $1; starting it once more" >&2
  status=0
  "${wine[@]}" "$@" || status=$?
fi
exit "$status"
