#!/usr/bin/env bash
# Stored values outside what the controls offer are shown clamped and written back clamped; the
# radio groups move with the arrow keys.
. "$(dirname "$0")/dialog_lib.sh"

mkdir -p "$(dirname "$reg_file")"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n"Speed"="0x63"\n"DispMode"="5"\n"UpDown"="7"\n"StarScroll"="5"\n"road_Color"="CL3DLIGHT"\n"star1_Color"="16711680"\n' >"$reg_file"
start_dialog "$@"
send_keys Return
wait_closed
expect_value Speed '"50"'
expect_value DispMode '"1"'
expect_value UpDown '"3"'
expect_value StarScroll '"1"'
expect_value road_Color '"cl3DLight"'
expect_value star1_Color '"clBlue"'

# From the spin field: OK, then the display group (Up selects the first item), the two check
# boxes (Space ticks the shooting star), then the relief group (Up from the last item).
start_dialog "$@"
send_keys Tab Tab Up Tab Tab space Tab Up Return
wait_closed
expect_value DispMode '"0"'
expect_value Comet '"1"'
expect_value UpDown '"2"'
echo "ok: stored values clamped, radio groups follow the arrows"
