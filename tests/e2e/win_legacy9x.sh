#!/usr/bin/env bash
# The 9x family's duties of velmora.scr, run for real: Wine reports Windows 98 to velmora.scr
# alone (its AppDefaults Version), so GetVersionExA gives the 9x platform id. Stand-ins for the
# 9x PASSWORD.CPL and MPR.DLL log what the saver hands them; SystemParametersInfoA is watched
# through Wine's relay trace.
# - /s sets the screen-saver-running flag (SystemParametersInfoA 97, 1) and clears it at the end.
# - With ScreenSaveUsePassword 1 and PASSWORD.CPL in the system directory, the first key calls
#   VerifyScreenSavePwd with the saver's window and the cursor shown; it refuses, and the drive
#   goes on, cursor hidden again; the second key is accepted and the saver ends.
# - With the option 0, missing (then created as REG_DWORD 0), of another type, or without the
#   library, the first key ends the saver and no check is made.
# - /a HWND calls PwdChangePasswordA("SCRSAVE", HWND, 0, 0) of the MPR.DLL found beside the saver
#   (Wine's own is overridden) and ends.
# - Reported as Windows 10 (the NT family), none of this is called and the option is left as it
#   is.
# Runs the 64-bit and the 32-bit saver alike, with stand-ins built for the same architecture.
# Usage: win_legacy9x.sh VELMORA.SCR STANDINS_DIR
source "$(dirname "$0")/win_lib.sh"
SCR=$1 STANDINS=$2
need_files "$SCR" "$STANDINS/PASSWORD.CPL" "$STANDINS/mpr.dll"
start_wine 1024x768
xdotool mousemove 500 400

# A 32-bit program in a 64-bit prefix finds its system directory in syswow64.
sysdir=$WINEPREFIX/drive_c/windows/system32
if x86_64-w64-mingw32-objdump -f "$SCR" | grep -q 'file format pei-i386' &&
    [[ -d $WINEPREFIX/drive_c/windows/syswow64 ]]; then
    sysdir=$WINEPREFIX/drive_c/windows/syswow64
fi
echo "system directory of the saver: $sysdir"
desktop='HKCU\Control Panel\Desktop'
wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d user32.SystemParametersInfoA /f >/dev/null
set_version() { wine reg add 'HKCU\Software\Wine\AppDefaults\velmora.scr' /v Version /d "$1" /f >/dev/null; }
set_option() { wine reg add "$desktop" /v ScreenSaveUsePassword /t "$1" /d "$2" /f >/dev/null; }
delete_option() { wine reg delete "$desktop" /v ScreenSaveUsePassword /f >/dev/null 2>&1 || true; }
# The option as "TYPE VALUE", or "missing".
option() {
    local line
    line=$(wine reg query "$desktop" /v ScreenSaveUsePassword 2>/dev/null | tr -d '\r' |
        awk '$1 == "ScreenSaveUsePassword" {print $2, $3}') || true
    echo "${line:-missing}"
}
wineserver -w

CALLS=$E2E_TMP/calls.log
RELAY=$E2E_TMP/relay.log
export VELMORA_TEST_LOG="Z:$CALLS"

# start_saver: velmora.scr /s with the relay trace on; waits for its window. Sets PID.
start_saver() {
    : >"$CALLS"
    WINEDEBUG=+relay wine "$SCR" /s 2>"$RELAY" &
    PID=$!
    E2E_PIDS+=($PID)
    wine_window Velmora 30 >/dev/null
}

# The screen-saver-running flag's changes, in order ("1" set, "0" cleared).
flag_calls() {
    tr -d '\r' <"$RELAY" | sed -n 's/.*Call user32\.SystemParametersInfoA(\([0-9a-f]*\),\([0-9a-f]*\),.*/\1 \2/p' |
        while read -r action value; do
            ((16#$action == 97)) && printf '%d' "$((16#$value))"
        done || true
}

# wait_calls N SECONDS: waits for N lines in the call log.
wait_calls() {
    local end=$((SECONDS + $2))
    while (($(wc -l <"$CALLS") < $1)); do
        ((SECONDS <= end)) || fail "$(wc -l <"$CALLS") of $1 password calls within $2 s: $(cat "$CALLS")"
        sleep 0.05
    done
}

# The road below the horizon, as a checksum of its pixels.
road_sum() { xwd -root -silent | convert xwd:- -crop 1024x380+0+388 +repage -format '%#' info:; }

# key_ends_saver WHAT: the first key ends the saver, with no password check.
key_ends_saver() {
    xdotool key space
    wait_exit "$PID" 10000
    [[ $EXIT_CODE == 0 ]] || fail "$1: exit code $EXIT_CODE"
    [[ ! -s $CALLS ]] || fail "$1: the password library was called: $(cat "$CALLS")"
}

echo "== 9x: refused, then accepted"
set_version win98
set_option REG_DWORD 1
cp "$STANDINS/PASSWORD.CPL" "$sysdir/PASSWORD.CPL"
start_saver
xdotool key space
wait_calls 1 10
# The window's title, the cursor counter at the call (shown: 0), refused.
[[ $(sed -n 1p "$CALLS" | tr -d '\r') == "VerifyScreenSavePwd Velmora 0 0" ]] ||
    fail "first check: $(cat "$CALLS")"
# The drive goes on: the road keeps changing.
before=$(road_sum)
end=$((SECONDS + 10))
until [[ $(road_sum) != "$before" ]]; do
    ((SECONDS <= end)) || fail "the road stood still after the refused password"
    kill -0 "$PID" 2>/dev/null || fail "the saver ended after the refused password"
done
kill -0 "$PID" 2>/dev/null || fail "the saver ended after the refused password"
xdotool key space
wait_calls 2 10
# Hidden again after the refusal, so shown once more (0, not 1) for the second check.
[[ $(sed -n 2p "$CALLS" | tr -d '\r') == "VerifyScreenSavePwd Velmora 0 1" ]] ||
    fail "second check: $(cat "$CALLS")"
wait_exit "$PID" 10000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after the accepted password"
[[ $(flag_calls) == 10 ]] || fail "screen-saver-running flag calls: '$(flag_calls)', expected set then clear"
[[ $(option) == "REG_DWORD 0x1" ]] || fail "the option became $(option)"

echo "== 9x: the option off, missing, of another type; the library missing"
set_option REG_DWORD 0
start_saver
key_ends_saver "option 0"
[[ $(flag_calls) == 10 ]] || fail "option 0: flag calls '$(flag_calls)'"
delete_option
start_saver
key_ends_saver "option missing"
[[ $(option) == "REG_DWORD 0x0" ]] || fail "the missing option became $(option), not REG_DWORD 0"
set_option REG_SZ 1
start_saver
key_ends_saver "option REG_SZ 1"
[[ $(option) == "REG_SZ 1" ]] || fail "the REG_SZ option became $(option)"
set_option REG_DWORD 1
rm "$sysdir/PASSWORD.CPL"
start_saver
key_ends_saver "no PASSWORD.CPL"
[[ $(flag_calls) == 10 ]] || fail "no PASSWORD.CPL: flag calls '$(flag_calls)'"

echo "== 9x: /a"
mkdir "$E2E_TMP/a"
cp "$SCR" "$E2E_TMP/a/velmora.scr"
cp "$STANDINS/mpr.dll" "$E2E_TMP/a/mpr.dll"
: >"$CALLS"
WINEDLLOVERRIDES="mpr=n;mscoree,mshtml=" wine "$E2E_TMP/a/velmora.scr" /a 1234 &
pid=$!
E2E_PIDS+=($pid)
wait_exit "$pid" 20000
[[ $EXIT_CODE == 0 ]] || fail "/a: exit code $EXIT_CODE"
[[ $(tr -d '\r' <"$CALLS") == "PwdChangePasswordA SCRSAVE 1234 0 0" ]] || fail "/a: calls '$(cat "$CALLS")'"

echo "== NT: no flag, no check, the option untouched"
set_version win10
cp "$STANDINS/PASSWORD.CPL" "$sysdir/PASSWORD.CPL"
set_option REG_DWORD 1
start_saver
key_ends_saver "NT with the option on"
[[ -z $(flag_calls) ]] || fail "NT: flag calls '$(flag_calls)'"
delete_option
start_saver
key_ends_saver "NT without the option"
[[ $(option) == missing ]] || fail "NT: the option became $(option)"
echo "PASS"
