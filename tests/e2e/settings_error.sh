#!/usr/bin/env bash
# A stored colour of the wrong type is reported in a real message box titled "Velmora"; once it
# is dismissed the saver ends (it has no scene to show) with exit code 1 and no window left.
# Usage: settings_error.sh VELMORA
source "$(dirname "$0")/lib.sh"
VELMORA=$1
start_xvfb 1024x768
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"road_Color"=dword:00000010\r\n' \
    >"$XDG_CONFIG_HOME/velmora/user.reg"

"$VELMORA" /s &
pid=$!
E2E_PIDS+=($pid)
box=$(wait_window Velmora 10)
size=$(xwininfo -id "$box" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[[ $size != 1024x768 ]] || fail "the saver window showed instead of the message box"
# The box's text is drawn: some light pixels on it, not a black saver view.
geometry=$(xwininfo -id "$box" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
wait_for 5000 lit_over 0.5 $geometry || fail "no message box drawn ($(lit_fraction $geometry))"
xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus "$box"
xdotool key Return
wait_exit "$pid" 3000
[[ $EXIT_CODE == 1 ]] || fail "exit code $EXIT_CODE after the report"
echo "PASS"
