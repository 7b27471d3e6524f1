#!/usr/bin/env bash
# Preview: /p ID draws inside a 152x112 host window, ignores input, and ends when the host is
# destroyed; a number that names no window ends it at once, as a failure. XScreenSaver's way (-root and
# XSCREENSAVER_WINDOW) draws into its window and ends on SIGTERM, and a second screen's hack runs
# beside the first.
# Usage: preview.sh VELMORA HOSTWINDOW
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
VELMORA=$1
HOSTWINDOW=$2
start_xvfb 1024x768

# A number that names no window: nothing to draw in, so the saver ends at once with exit code 1,
# whether the number came with /p or from XScreenSaver.
"$VELMORA" /p 536870896 &
pid=$!
E2E_PIDS+=($pid)
wait_exit "$pid" 2000
[[ $EXIT_CODE == 1 ]] || fail "exit code $EXIT_CODE for /p with a number that is no window"
XSCREENSAVER_WINDOW=0x1FFFFFF0 "$VELMORA" -root &
pid=$!
E2E_PIDS+=($pid)
wait_exit "$pid" 2000
[[ $EXIT_CODE == 1 ]] || fail "exit code $EXIT_CODE for -root with a window that does not exist"

# host_window NAME WIDTH HEIGHT X Y: a white host window, as a screen-saver daemon lends one, run
# with talk (NAME_in, NAME_out, NAME_pid); sets NAME to its window id.
host_window() {
    local out=${1}_out
    talk "$1" "$HOSTWINDOW" "${@:2}"
    read -r -t 10 "$1" <&"${!out}" || fail "no host window"
}

host_window host 152 112 100 100

"$VELMORA" /p "$host" &
pid=$!
E2E_PIDS+=($pid)
# The host is white; the saver's child covers it in black with lit dots.
covered() {
    inside=$(lit_fraction 100 100 152 112)
    more_than "$inside" 0.0005 && ! more_than "$inside" 0.5
}
inside=1
wait_for 5000 covered || fail "host not covered by the preview ($inside)"
outside=$(lit_fraction 300 300 200 200)
echo "inside $inside outside $outside"
awk -v v="$outside" 'BEGIN{exit !(v == 0)}' || fail "drawing outside the host ($outside)"
child=$(xwininfo -children -id "$host" | awk '/^ +0x/ {print $1; exit}')
[[ -n $child ]] || fail "no child window in the host"
size=$(xwininfo -id "$child" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[[ $size == 152x112 ]] || fail "preview window is $size"

# Input is ignored.
xdotool mousemove 150 150 mousemove 170 160 click 1 key a
sleep 0.3  # time for a preview that wrongly took it for input to end
state=$(proc_state "$pid")
[[ -n $state && $state != Z ]] || fail "input ended the preview"

echo destroy >&"$host_in"
wait_exit "$pid" 1000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after the host was destroyed"

# XScreenSaver: -root with the window named in the environment.
kill "$host_pid" 2>/dev/null || true
wait "$host_pid" 2>/dev/null || true

# xscreensaver_hack NAME WIDTH HEIGHT: the saver run as XScreenSaver runs a hack, in a host window
# of that size at (0, 0) named in the environment; sets pid.
xscreensaver_hack() {
    host_window "$@" 0 0
    XSCREENSAVER_WINDOW=$(printf '0x%X' "${!1}") "$VELMORA" -root &
    pid=$!
    E2E_PIDS+=($pid)
}

xscreensaver_hack xss 1024 768
wait_for 5000 lit_over 0.00002 0 400 1024 368 ||
    fail "nothing drawn in XScreenSaver's window ($(lit_fraction 0 400 1024 368))"

# A second screen: XScreenSaver runs one hack per screen, each in its own window; both run.
first=$pid
xscreensaver_hack xss2 320 240
pid2=$pid
pid=$first
# Its white window at the top-left turns black once it draws.
wait_for 5000 eval '! lit_over 0.5 0 0 320 240' || fail "the hack for a second screen drew nothing"
state=$(proc_state "$pid2")
[[ -n $state && $state != Z ]] || fail "the hack for a second screen did not keep running"
state=$(proc_state "$pid")
[[ -n $state && $state != Z ]] || fail "the first screen's hack ended when a second started"
kill -TERM "$pid2"
wait_exit "$pid2" 1000
[[ $EXIT_CODE == 143 ]] || fail "exit code $EXIT_CODE after SIGTERM of the second screen's hack"

kill -TERM "$pid"
wait_exit "$pid" 1000
[[ $EXIT_CODE == 143 ]] || fail "exit code $EXIT_CODE after SIGTERM under XScreenSaver"
echo "PASS"
