#!/usr/bin/env bash
# Run mode: the banner, the sky and the road are lit where they belong, and a one-pixel mouse
# movement or a key press ends the saver with exit code 0 within a second, the wheel does not,
# and SIGTERM ends it as a process ended by SIGTERM.
# Usage: saver_run.sh VELMORA
source "$(dirname "$0")/lib.sh"
VELMORA=$1

# Usage and version need no display: on standard output, exit code 0; an unknown option gives the
# usage on standard error and exit code 2, and a bad value names what is wrong.
env -u DISPLAY "$VELMORA" --help >"$E2E_TMP/out" 2>"$E2E_TMP/err" || fail "--help exited $?"
grep -q -- '--window-id' "$E2E_TMP/out" && grep -q -- '--see-through' "$E2E_TMP/out" &&
    [[ ! -s $E2E_TMP/err ]] || fail "--help did not print the usage on standard output"
env -u DISPLAY "$VELMORA" --version | grep -q '^velmora ' || fail "--version"
code=0
env -u DISPLAY "$VELMORA" /s --bogus >"$E2E_TMP/out" 2>"$E2E_TMP/err" || code=$?
[[ $code == 2 && ! -s $E2E_TMP/out ]] && grep -q "'--bogus'" "$E2E_TMP/err" &&
    grep -q '^Usage:' "$E2E_TMP/err" || fail "an unknown option: exit code $code, $(head -c 200 "$E2E_TMP/err")"
code=0
"$VELMORA" --root --speed 60 2>"$E2E_TMP/err" || code=$?
[[ $code == 2 ]] && grep -q "'60'" "$E2E_TMP/err" || fail "--speed 60: exit code $code"

start_xvfb 1280x1024

show_saver /s
# Screenshots until the banner, the sky and the road are drawn (the banner stays five seconds);
# all measures come from the same one.
drive_drawn() {
    take_screenshot
    # Banner: two lines of text from the top-left corner.
    banner=$(shot_fraction 0 5 200 36)
    # Stars in the upper third, the road's dots below the horizon (the middle of the screen).
    sky=$(shot_fraction 0 60 1280 280)
    road=$(shot_fraction 0 520 1280 504)
    more_than "$banner" 0.05 && more_than "$sky" 0.00005 && more_than "$road" 0.00002
}
banner=0 sky=0 road=0
if ! wait_for 4000 drive_drawn; then
    more_than "$banner" 0.05 || fail "no banner text at the top-left ($banner)"
    more_than "$sky" 0.00005 || fail "no stars in the sky ($sky)"
    fail "no road dots below the horizon ($road)"
fi
above_road_gap=$(shot_fraction 0 360 1280 100)
echo "banner $banner sky $sky road $road gap $above_road_gap"
awk -v v="$above_road_gap" 'BEGIN{exit !(v < 0.001)}' || fail "dots between sky and horizon ($above_road_gap)"

eval "$(xdotool getmouselocation --shell)"
xdotool mousemove "$((X + 1))" "$Y"
wait_exit "$pid" 1000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a mouse movement"

show_saver /s
wait_for 4000 lit_over 0.00005 0 60 1280 280 || fail "the saver draws nothing"
# The wheel's steps (buttons 4 to 7) scroll; they do not end the saver. The pause gives a saver
# that wrongly took them for input the time to end.
xdotool click 4 click 5 click 6 click 7
sleep 0.3
state=$(proc_state "$pid")
[[ -n $state && $state != Z ]] || fail "the mouse wheel ended the saver"
xdotool key a
wait_exit "$pid" 1000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a key press"

show_saver /s
kill -TERM "$pid"
wait_exit "$pid" 1000
[[ $EXIT_CODE == 143 ]] || fail "exit code $EXIT_CODE after SIGTERM"
echo "PASS"
