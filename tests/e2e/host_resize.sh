#!/usr/bin/env bash
# A hack follows the size of the window it was lent: XScreenSaver and lockers resize that window
# (1024x768 to 800x600 and back here) and the drive is then laid out for the new size, centred
# and covering all of it, as --window-id and as -root with XSCREENSAVER_WINDOW. Each hack's
# marker file goes when it ends (SIGTERM, SIGINT, its window destroyed, also while it starts),
# and a killed one's is removed by the next start: none is left after these runs.
# Usage: host_resize.sh VELMORA HOSTWINDOW
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"  # talk
VELMORA=$1
HOSTWINDOW=$2
start_xvfb 1024x768

markers() { find "$XDG_RUNTIME_DIR" -maxdepth 1 -name '*.instance' | wc -l; }

# horizon W H: on the last screenshot, the row of the W x H host (at 0,0) with the most lit
# pixels: the town lights on the horizon, which the drive keeps within a few dozen rows of the
# view's middle as the road pitches. A drive laid out for another height has it elsewhere.
horizon() {
    local top=$(($2 / 8))  # below the title banner of the first seconds
    convert "$E2E_TMP/screen.png" -crop "${1}x$(($2 - top))+0+$top" +repage -colorspace Gray \
        -threshold 1% -scale "1x$(($2 - top))!" -depth 16 txt:- |
        awk -F'[,:() ]+' -v top="$top" '/^[0-9]/ && $3 > most {most = $3; row = $2}
            END {print row + top}'
}

# drive_fits W H: the drive shows in the W x H host, its horizon in the middle, and no part of
# the host's white is left uncovered. Sets sky, road, lit and row.
drive_fits() {
    local w=$1 h=$2
    take_screenshot
    sky=$(shot_fraction 0 $((h / 12)) "$w" $((h / 4)))
    road=$(shot_fraction 0 $((h * 11 / 20)) "$w" $((h * 9 / 20)))
    lit=$(shot_fraction 0 0 "$w" "$h")
    row=$(horizon "$w" "$h")
    more_than "$sky" 0.00005 && more_than "$road" 0.00002 && ! more_than "$lit" 0.05 &&
        ((row > h / 2 - h / 12 && row < h / 2 + h / 12))
}

# saver_size: the size of the saver's window inside the host, as WxH.
saver_size() {
    local child
    child=$(xwininfo -children -id "$host" | awk '/"Velmora"/ {print $1; exit}')
    [[ -n $child ]] && xwininfo -id "$child" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
}
sized() { [[ $(saver_size) == "$1" ]]; }

# follow W H: resizes the host to W x H and waits until the saver's window has that size and
# the drive fits it; prints how long each took.
follow() {
    local start sized_ms
    echo "resize $1 $2" >&"$host_in"
    read -r -t 5 reply <&"$host_out" && [[ $reply == resized ]] || fail "the host did not resize"
    start=$(now_us)
    wait_for 5000 sized "${1}x$2" || fail "$mode: the saver's window is $(saver_size), not ${1}x$2"
    sized_ms=$((($(now_us) - start) / 1000))
    wait_for 5000 drive_fits "$1" "$2" ||
        fail "$mode: no drive fitting ${1}x$2 (sky $sky road $road lit $lit horizon at $row)"
    echo "$mode: ${1}x$2 laid out in $sized_ms ms, the drive seen fitting it" \
        "$((($(now_us) - start) / 1000)) ms after the resize (lit $lit, horizon at $row)"
}

# start_host: a white 1024x768 host at the screen's corner; sets host, host_in and host_out.
hosts=0
start_host() {
    hosts=$((hosts + 1))
    talk "host$hosts" "$HOSTWINDOW" 1024 768 0 0
    local in=host${hosts}_in out=host${hosts}_out
    host_in=${!in} host_out=${!out}
    read -r -t 5 host <&"$host_out" || fail "no host window"
}

for mode in window-id root; do
    start_host
    if [[ $mode == window-id ]]; then
        "$VELMORA" --window-id "$host" &
    else
        XSCREENSAVER_WINDOW=$host "$VELMORA" -root &
    fi
    pid=$!
    E2E_PIDS+=($pid)
    wait_for 5000 drive_fits 1024 768 || fail "$mode: no drive in the 1024x768 host (sky $sky road $road lit $lit horizon at $row)"
    follow 800 600
    follow 1024 768
    running "$pid" || fail "$mode: the hack ended"
    [[ $(markers) == 1 ]] || fail "$mode: $(markers) markers while one hack runs"
    kill -TERM "$pid"
    wait_exit "$pid" 3000
done
[[ $(markers) == 0 ]] || fail "markers left after SIGTERM: $(ls "$XDG_RUNTIME_DIR")"

# More runs, ended every way a hack ends; a killed one leaves its marker until the next start.
runs=0
run_hack() {
    start_host
    XSCREENSAVER_WINDOW=$host "$VELMORA" -root &
    pid=$!
    E2E_PIDS+=($pid)
    runs=$((runs + 1))
    wait_for 5000 drive_fits 1024 768 || fail "run $runs: no drive"
}
for end in INT TERM destroy KILL INT; do
    run_hack
    case $end in
        destroy) echo destroy >&"$host_in" ;;
        *) kill -"$end" "$pid" ;;
    esac
    wait_exit "$pid" 3000
    echo "run $runs ended by $end: $(markers) markers"
    if [[ $end == KILL ]]; then
        [[ $(markers) == 1 ]] || fail "a killed hack left $(markers) markers"
    else
        [[ $(markers) == 0 ]] || fail "a hack ended by $end left $(ls "$XDG_RUNTIME_DIR")"
    fi
done
echo "markers after $runs more runs: $(markers)"

# Hosts destroyed while their hacks start, at staggered moments of the start: each hack ends at
# once, by itself and without a crash, and leaves no marker.
for delay in 0 0.01 0.02 0.04 0.06 0.08 0.1 0.15 0.2 0.3; do
    start_host
    XSCREENSAVER_WINDOW=$host "$VELMORA" -root 2>/dev/null &
    pid=$!
    E2E_PIDS+=($pid)
    sleep "$delay"  # staging, not waiting: the destroy lands at another moment each time
    echo destroy >&"$host_in"
    wait_exit "$pid" 3000
    ((EXIT_CODE <= 1)) || fail "a hack whose host went $delay s into its start: exit code $EXIT_CODE"
done
[[ $(markers) == 0 ]] || fail "markers left by hacks whose host went while they started"
echo "PASS"
