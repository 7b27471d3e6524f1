#!/usr/bin/env bash
# A second velmora.scr /s while one runs: it looks the running saver's window up by its title,
# brings it to the foreground and exits at once with exit code 0, leaving the first running and
# holding the foreground; the first still ends on a one-pixel mouse movement.
# No window of another program can hold the foreground while the saver shows (that ends the
# saver), so the running saver has it already, and what the second launch asks of it is read
# from Wine's trace of the two calls.
# Usage: win_second.sh VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2
need_files "$SCR" "$WINTOOL"
start_wine 1024x768
xdotool mousemove 500 400
wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'user32.FindWindowA;user32.SetForegroundWindow' \
    /f >/dev/null

wine_saver /s
first=$SAVER_PID
wine_window Velmora 20 >/dev/null
wine_foreground "$WINTOOL" Velmora 10000 || fail "the saver never had the foreground"
running=$(wine "$WINTOOL" handle Velmora | tr -d '\r') || fail "no top-level window titled Velmora"

WINEDEBUG=+relay wine_saver /s 2>"$E2E_TMP/second.trace"
second=$SAVER_PID
wait_exit "$second" 15000
[[ $EXIT_CODE == 0 ]] || fail "the second launch exited with $EXIT_CODE"
calls=$(grep -o 'Call user32\.[A-Za-z]*([^)]*' "$E2E_TMP/second.trace" | tr -d '\r' || true)
echo "$calls"
grep -qi '^Call user32\.FindWindowA(00000000,[0-9a-f]* "velmora"$' <<<"$calls" ||
    fail "the second launch did not look the running saver up by its title"
grep -qix "Call user32.SetForegroundWindow($running" <<<"$calls" ||
    fail "the second launch did not bring the running saver's window $running to the foreground"
running "$first" || fail "the first saver ended with the second launch"
after=$(wine "$WINTOOL" foreground | tr -d '\r')
echo "foreground after: $after"
[[ $after == Velmora ]] || fail "the running saver lost the foreground to the second launch ($after)"

xdotool mousemove 501 400
wait_exit "$first" 5000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE of the first saver"
echo "PASS"
