#!/usr/bin/env bash
# velmora.scr /s under Wine: both banner lines, the sky and the road show, the desktop's request
# to start a screen saver (WM_SYSCOMMAND SC_SCREENSAVE) is answered with 1, and a one-pixel mouse
# movement ends the saver with exit code 0. With VELMORA_DOCS set, the screenshot goes to
# docs/win-run.png.
# Usage: win_run.sh VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2
need_files "$SCR" "$WINTOOL"
wine_saver_shown 1280x1024
# Screenshots until everything measured is there: under load Wine draws the banner's second
# line, in its Japanese face, well after the first. The banner goes five seconds after the window
# is made; the deadline adds room for screenshots that are slow under load, and waiting longer
# would only see the banner gone. All measures come from one screenshot.
drive_drawn() {
    take_screenshot
    line1=$(shot_fraction 0 5 260 18)
    line2=$(shot_fraction 0 24 260 21)
    sky=$(shot_fraction 0 60 1280 280)
    road=$(shot_fraction 0 516 1280 508)
    # The most each line showed, for the report: the banner is gone when the deadline passes.
    more_than "$line1" "$most1" && most1=$line1
    more_than "$line2" "$most2" && most2=$line2
    more_than "$line1" 0.05 && more_than "$line2" 0.02 && more_than "$sky" 0.00005 &&
        more_than "$road" 0.00001
}
line1=0 line2=0 sky=0 road=0 most1=0 most2=0
if ! wait_for 8000 drive_drawn; then
    cp "$E2E_TMP/screen.png" "${TMPDIR:-/tmp}/velmora-win-run-failed.png" || true
    more_than "$most1" 0.05 || fail "no banner text at the top-left (at most $most1)"
    more_than "$most2" 0.02 || fail "no second banner line (at most $most2, the first $most1)"
    more_than "$sky" 0.00005 || fail "no stars in the sky ($sky)"
    more_than "$road" 0.00001 || fail "no road dots below the horizon ($road)"
    fail "the two banner lines, the sky and the road were never on one screenshot"
fi
echo "banner $line1 $line2 sky $sky road $road"
if [[ -n ${VELMORA_DOCS:-} ]]; then cp "$E2E_TMP/screen.png" "$VELMORA_DOCS/win-run.png"; fi

answer=$(wine "$WINTOOL" screensave Velmora | tr -d '\r') || fail "no saver window to send SC_SCREENSAVE to"
[[ $answer == 1 ]] || fail "SC_SCREENSAVE answered with $answer"

# Showing the window under the pointer gives it its first movement, which only records where the
# pointer is; one pixel more ends the saver.
kill -0 "$pid" 2>/dev/null || fail "the saver ended before any input"
xdotool mousemove 641 512
wait_exit "$pid" 5000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a mouse movement"
echo "PASS"
