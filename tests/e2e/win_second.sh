#!/usr/bin/env bash
# A second velmora.scr /s while one runs: it brings the running saver's window to the foreground
# and exits at once with exit code 0, leaving the first running; the first still ends on a
# one-pixel mouse movement.
# Usage: win_second.sh VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2
need_files "$SCR" "$WINTOOL"
start_wine 1024x768
xdotool mousemove 500 400

wine_saver /s
first=$SAVER_PID
wine_window Velmora 20 >/dev/null
foreground() { wine "$WINTOOL" foreground | tr -d '\r'; }
wait_for 10000 eval '[[ $(foreground) == Velmora ]]' || fail "the saver never had the foreground"
# Something else takes the foreground: a window of the helper's own.
wine "$WINTOOL" host 30 >"$E2E_TMP/host.out" &
E2E_PIDS+=($!)
wait_for 20000 test -s "$E2E_TMP/host.out" || fail "the helper's window did not start"
wait_for 10000 eval '[[ $(foreground) != Velmora ]]' || fail "the helper's window never took the foreground"
before=$(foreground)
echo "foreground before: $before"

wine_saver /s
second=$SAVER_PID
wait_exit "$second" 15000
[[ $EXIT_CODE == 0 ]] || fail "the second launch exited with $EXIT_CODE"
kill -0 "$first" 2>/dev/null || fail "the first saver ended with the second launch"
after=$(foreground)
echo "foreground after: $after"
[[ $before != Velmora ]] || fail "the saver was in the foreground before the second launch"
[[ $after == Velmora ]] || fail "the running saver was not brought forward ($after)"

xdotool mousemove 501 400
wait_exit "$first" 5000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE of the first saver"
echo "PASS"
