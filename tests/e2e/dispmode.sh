#!/usr/bin/env bash
# DispMode 2 gives a 640x480 window at the top-left corner without touching the display, and
# only motion over that window ends it;
# DispMode 1 also switches the monitor (not the desktop) to 640x480 and back at the end, and a saver killed by
# SIGKILL still leaves the display as it found it.
# Usage: dispmode.sh VELMORA RANDRMODE
source "$(dirname "$0")/lib.sh"
VELMORA=$1
RANDRMODE=$2
start_xvfb 1280x1024
"$RANDRMODE" add 640 480
[[ $("$RANDRMODE" size) == 1280x1024 ]] || fail "unexpected starting size"

# start_with MODE: starts the saver with that DispMode; sets pid and window.
start_with() {
    rm -f "$XDG_CONFIG_HOME/velmora/user.reg"
    set_setting DispMode "$1"
    "$VELMORA" /s &
    pid=$!
    E2E_PIDS+=($pid)
    window=$(wait_window Velmora 5)
    local geometry
    geometry=$(xwininfo -id "$window" |
        awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
             /Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h "+" x "+" y}')
    [[ $geometry == 640x480+0+0 ]] || fail "DispMode $1: window $geometry"
    # Drawing: the saver is past its start, mode switch included, and takes input.
    wait_for 3000 lit_over 0.00005 0 0 640 480 || fail "DispMode $1: nothing drawn"
}

# wait_size SIZE MILLISECONDS: waits until the display is at SIZE.
wait_size() {
    local end=$(($(now_us) + $2 * 1000))
    while [[ $("$RANDRMODE" size) != "$1" ]]; do
        (($(now_us) > end)) && fail "display at $("$RANDRMODE" size), expected $1"
        sleep 0.02
    done
}

start_with 2
[[ $("$RANDRMODE" size) == 1280x1024 ]] || fail "DispMode 2 switched the display"
# Motion beside the window is not motion over it; the first position over it is only recorded,
# the next one ends the saver.
xdotool mousemove 900 700 mousemove 1000 800
sleep 0.3  # time for a saver that wrongly took it for motion over it to end
state=$(proc_state "$pid")
[[ -n $state && $state != Z ]] || fail "motion outside the 640x480 window ended the saver"
xdotool mousemove 300 200
sleep 0.3  # likewise
state=$(proc_state "$pid")
[[ -n $state && $state != Z ]] || fail "the first position over the window ended the saver"
xdotool mousemove 301 200
wait_exit "$pid" 1000
[[ $EXIT_CODE == 0 ]] || fail "DispMode 2: exit code $EXIT_CODE after motion"

start_with 2
key_to_saver Escape
wait_exit "$pid" 1000
[[ $EXIT_CODE == 0 ]] || fail "DispMode 2: exit code $EXIT_CODE"

start_with 1
[[ $("$RANDRMODE" size) == 640x480 ]] || fail "DispMode 1 did not switch the display"
# Only the monitor's mode changes: the desktop keeps its size, so other monitors keep their place.
root=$(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[[ $root == 1280x1024 ]] || fail "DispMode 1 resized the whole desktop to $root"
key_to_saver Escape
wait_exit "$pid" 1000
[[ $EXIT_CODE == 0 ]] || fail "DispMode 1: exit code $EXIT_CODE"
[[ $("$RANDRMODE" size) == 1280x1024 ]] || fail "DispMode 1: display not restored at close"

start_with 1
[[ $("$RANDRMODE" size) == 640x480 ]] || fail "DispMode 1 did not switch the display"
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
wait_size 1280x1024 2000
echo "PASS"
