#!/usr/bin/env bash
# The Windows settings dialog's native controls under Wine: 99 typed into the spin field and Tab
# shows 50, and OK (Enter on the focused OK button) stores 50; 99 and Enter while the field has
# the focus stores 99, also after another program's window was activated in between (the field
# clamps when the focus moves to another control of the dialog, not when the whole window loses
# it); a letter typed into the field is dropped and the Down arrow steps the value
# down; the dark preset button and then OK store the computed colours by number.
# Usage: win_dialog_edit.sh VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2
need_files "$SCR" "$WINTOOL"
start_wine 1024x768
caption=$'\xe8\xa8\xad\xe5\xae\x9a'  # "設定"

# open_dialog: starts /c and waits for the dialog; sets pid.
open_dialog() {
    wine_saver /c
    pid=$SAVER_PID
    wine_window "$caption" 20 >/dev/null
    wine_foreground "$WINTOOL" "$caption" 10000 || fail "the dialog never came to the front"
}
close_dialog() {
    wait_exit "$pid" 10000
    [[ $EXIT_CODE == 0 ]] || fail "the dialog exited with $EXIT_CODE"
}

# The field has the focus with its text selected when the dialog opens.
open_dialog
xdotool type --delay 50 99
xdotool key Tab
sleep 0.3
xdotool key Return
close_dialog
reg_snapshot
[[ $(reg_sz Speed) == 50 ]] || fail "99 and Tab stored Speed $(reg_sz Speed), expected 50"
echo "99, Tab, OK: Speed $(reg_sz Speed)"

open_dialog
xdotool type --delay 50 99
xdotool key Return
close_dialog
reg_snapshot
[[ $(reg_sz Speed) == 99 ]] || fail "99 and Enter stored Speed $(reg_sz Speed), expected 99"
echo "99, Enter: Speed $(reg_sz Speed)"

open_dialog
xdotool type --delay 50 99
wine "$WINTOOL" host 2 >"$E2E_TMP/host.out" &
host_pid=$!
E2E_PIDS+=($host_pid)
wine_foreground "$WINTOOL" "preview host" 10000 || fail "another window never became active"
wait_exit "$host_pid" 10000
# Back to the dialog by a click on its face, outside every control: the field gets the focus back.
read -r cx cy < <(wine "$WINTOOL" client "$caption" | tr -d '\r') || fail "the dialog's client area was not found"
xdotool mousemove "$((cx + 2))" "$((cy + 200))" click 1
wine_foreground "$WINTOOL" "$caption" 5000 || fail "the dialog did not come back to the front"
xdotool key Return
close_dialog
reg_snapshot
[[ $(reg_sz Speed) == 99 ]] || fail "99, another window, back and Enter stored Speed $(reg_sz Speed), expected 99"
echo "99, another window active, back, Enter: Speed $(reg_sz Speed)"

open_dialog
xdotool type --delay 50 2a0
xdotool key Down
sleep 0.3
xdotool key Return
close_dialog
reg_snapshot
[[ $(reg_sz Speed) == 19 ]] || fail "2a0 and Down stored Speed $(reg_sz Speed), expected 19"
echo "2a0, Down, Enter: Speed $(reg_sz Speed)"

# Buttons clicked with the mouse at their places on the form (client coordinates).
open_dialog
read -r cx cy < <(wine "$WINTOOL" client "$caption" | tr -d '\r') || fail "the dialog's client area was not found"
click() { xdotool mousemove "$((cx + $1))" "$((cy + $2))" click 1; sleep 0.3; }
click 160 280  # darkPresetButton: panel at 15,185, button at 105,83, 81 x 25
click 252 332  # okButton (OK) at 215,320, 75 x 25
close_dialog
reg_snapshot
expected=(road_Color=cl3DLight 'porl_Color=$0001FEFF' star1_Color=cl3DLight star2_Color=clAqua
          star3_Color=clYellow 'town1_Color=$0001807F' town2_Color=clTeal 'town3_Color=$0000009B')
for pair in "${expected[@]}"; do
    name=${pair%%=*} want=${pair#*=}
    got=$(reg_sz "$name")
    echo "dark preset, OK: $name $got"
    [[ $got == "$want" ]] || fail "$name is $got, expected $want"
done
echo "PASS"
