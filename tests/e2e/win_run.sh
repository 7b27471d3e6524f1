#!/usr/bin/env bash
# velmora.scr /s under Wine: the banner and the road show, the desktop's request to start a
# screen saver (WM_SYSCOMMAND SC_SCREENSAVE) is answered with 1, and a one-pixel mouse movement
# ends the saver with exit code 0. With VELMORA_DOCS set, the screenshot goes to
# docs/win-run.png.
# Usage: win_run.sh VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2
need_files "$SCR" "$WINTOOL"
start_wine 1280x1024
xdotool mousemove 640 512

wine "$SCR" /s &
pid=$!
E2E_PIDS+=($pid)
wine_window Velmora 20 >/dev/null
sleep 1
# One screenshot for all the measures: the banner goes five seconds after the window is made.
xwd -root -silent | convert xwd:- "$E2E_TMP/run.png"
shot_fraction() {
    convert "$E2E_TMP/run.png" -crop "${3}x${4}+${1}+${2}" +repage -colorspace Gray -threshold 1% \
        -format "%[fx:mean]" info:
}
banner=$(shot_fraction 0 5 260 40)
sky=$(shot_fraction 0 60 1280 280)
road=$(shot_fraction 0 516 1280 508)
echo "banner $banner sky $sky road $road"
awk -v v="$banner" 'BEGIN{exit !(v > 0.05)}' || {
    cp "$E2E_TMP/run.png" "${TMPDIR:-/tmp}/velmora-win-run-failed.png" || true
    fail "no banner text at the top-left ($banner)"
}
awk -v v="$sky" 'BEGIN{exit !(v > 0.00005)}' || fail "no stars in the sky ($sky)"
awk -v v="$road" 'BEGIN{exit !(v > 0.00001)}' || fail "no road dots below the horizon ($road)"
if [[ -n ${VELMORA_DOCS:-} ]]; then cp "$E2E_TMP/run.png" "$VELMORA_DOCS/win-run.png"; fi

answer=$(wine "$WINTOOL" screensave Velmora | tr -d '\r') || fail "no saver window to send SC_SCREENSAVE to"
[[ $answer == 1 ]] || fail "SC_SCREENSAVE answered with $answer"

# Showing the window under the pointer gives it its first movement, which only records where the
# pointer is; one pixel more ends the saver.
kill -0 "$pid" 2>/dev/null || fail "the saver ended before any input"
xdotool mousemove 641 512
wait_exit "$pid" 5000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a mouse movement"
echo "PASS"
