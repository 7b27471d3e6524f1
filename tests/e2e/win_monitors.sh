#!/usr/bin/env bash
# velmora.scr /s under Wine on two monitors side by side (800x600, the primary, and 640x480 to
# its right): the drive fills the primary, a black top-most window covers the other one and hides
# the window that was there, and a mouse movement over the covered monitor ends the saver with
# exit code 0.
# Usage: win_monitors.sh VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2
need_files "$SCR" "$WINTOOL"
command -v Xephyr >/dev/null || { echo "SKIP: no Xephyr"; exit 77; }
start_wine_two_monitors 800x600 640x480

monitors=$(wine "$WINTOOL" monitors | tr -d '\r')
echo "$monitors"
[[ $monitors == $'0 0 800 600 1\n800 0 1440 480 0' ]] || fail "Wine does not show the two monitors"

# A grey window on the second monitor, for the cover to hide.
wine "$WINTOOL" host 60 900 100 >"$E2E_TMP/host.out" &
E2E_PIDS+=($!)
for ((i = 0; i < 200; i++)); do
    [[ -s $E2E_TMP/host.out ]] && break
    sleep 0.1
done
xdotool mousemove 1000 200
wait_for 5000 lit_over 0.9 900 100 320 240 ||
    fail "the grey window is not on the second monitor ($(lit_fraction 900 100 320 240))"

wine_saver /s
pid=$SAVER_PID
wine_window Velmora 20 >/dev/null
# The cover is made after the drive's window: asked until both are there.
both_windows() {
    windows=$(wine "$WINTOOL" windows | tr -d '\r')
    grep -qx '0 0 800 600 topmost=1 title=Velmora' <<<"$windows" &&
        grep -qx '800 0 1440 480 topmost=1 title=' <<<"$windows"
}
if ! wait_for 10000 both_windows; then
    echo "$windows"
    grep -qx '0 0 800 600 topmost=1 title=Velmora' <<<"$windows" || fail "the drive does not fill the primary monitor"
    fail "no top-most cover over the second monitor"
fi
echo "$windows"
# Screenshots until the drive is drawn; the cover is measured on the same one.
drive_drawn() {
    take_screenshot
    drive=$(shot_fraction 0 0 800 600)
    more_than "$drive" 0.0005
}
drive=0
wait_for 5000 drive_drawn || fail "nothing drawn on the primary monitor ($drive)"
covered=$(shot_fraction 800 0 640 480)
echo "lit: drive $drive, second monitor $covered"
[[ $covered == 0 ]] || fail "the second monitor is not black ($covered)"

# The cover appearing under the pointer gives the first movement, which only records where the
# pointer is; a movement over the covered monitor ends the saver.
kill -0 "$pid" 2>/dev/null || fail "the saver ended before any input"
xdotool mousemove 1001 200
sleep 0.5  # a saver that wrongly ends on the first movement has ended by then
kill -0 "$pid" 2>/dev/null && xdotool mousemove 1003 201
wait_exit "$pid" 5000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a mouse movement on the second monitor"
echo "PASS"
