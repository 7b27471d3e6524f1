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
sleep 0.5
grey=$(lit_fraction 900 100 320 240)
awk -v v="$grey" 'BEGIN{exit !(v > 0.9)}' || fail "the grey window is not on the second monitor ($grey)"

wine "$SCR" /s &
pid=$!
E2E_PIDS+=($pid)
wine_window Velmora 20 >/dev/null
sleep 1
windows=$(wine "$WINTOOL" windows | tr -d '\r')
echo "$windows"
grep -qx '0 0 800 600 topmost=1 title=Velmora' <<<"$windows" || fail "the drive does not fill the primary monitor"
grep -qx '800 0 1440 480 topmost=1 title=' <<<"$windows" || fail "no top-most cover over the second monitor"
xwd -root -silent | convert xwd:- "$E2E_TMP/shot.png"
lit() {
    convert "$E2E_TMP/shot.png" -crop "${3}x${4}+${1}+${2}" +repage -colorspace Gray -threshold 1% \
        -format "%[fx:mean]" info:
}
drive=$(lit 0 0 800 600) covered=$(lit 800 0 640 480)
echo "lit: drive $drive, second monitor $covered"
awk -v v="$drive" 'BEGIN{exit !(v > 0.0005)}' || fail "nothing drawn on the primary monitor ($drive)"
[[ $covered == 0 ]] || fail "the second monitor is not black ($covered)"

# The cover appearing under the pointer gives the first movement, which only records where the
# pointer is; a movement over the covered monitor ends the saver.
kill -0 "$pid" 2>/dev/null || fail "the saver ended before any input"
xdotool mousemove 1001 200
sleep 0.5
kill -0 "$pid" 2>/dev/null && xdotool mousemove 1003 201
wait_exit "$pid" 5000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a mouse movement on the second monitor"
echo "PASS"
