#!/usr/bin/env bash
# Nobody watching, nothing drawn, on X11: `velmora /s` under Xvfb stops drawing and waking (a few
# wakeups a second at most) while another window covers the whole of it, as a locker's does, and
# draws again once that window has gone; a key still ends it then.
# Usage: unseen_x11.sh VELMORA HOSTWINDOW
source "$(dirname "$0")/lib.sh"
VELMORA=$1
HOSTWINDOW=$2
start_xvfb 800x600

drawn() { lit_over 0.00002 0 300 800 300; }

show_saver /s
wait_for 5000 drawn || fail "no road before the saver was covered"
wait_for 5000 wakeups_within "$pid" 15 100000 || fail "the saver does not draw while it can be seen"

# A window over the whole screen (without a window manager it goes on top).
coproc COVER { "$HOSTWINDOW" 800 600 0 0; }
E2E_PIDS+=($COVER_PID)
read -r _ <&"${COVER[0]}"
wait_for 5000 wakeups_within "$pid" 0 3 || fail "the saver goes on waking under a window that covers it"
running "$pid" || fail "the covering window ended the saver"

eval "exec ${COVER[1]}>&-"
wait_exit "$COVER_PID" 3000
wait_for 5000 wakeups_within "$pid" 15 100000 || fail "the saver does not draw again once uncovered"
wait_for 5000 drawn || fail "no road once uncovered"
xdotool key a
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a key"
echo "PASS"
