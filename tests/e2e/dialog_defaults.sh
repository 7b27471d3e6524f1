#!/usr/bin/env bash
# Enter with no change writes all fourteen defaults, in the order OK writes them.
. "$(dirname "$0")/dialog_lib.sh"

start_dialog "$@"
send_keys Return
wait_closed

[[ -f "$reg_file" ]] || fail "no $reg_file"
expected='REGEDIT4

[HKEY_CURRENT_USER\Software\Velmora]
"Speed"="30"
"DispMode"="0"
"UpDown"="1"
"StarScroll"="0"
"Comet"="0"
"Trans"="0"
"road_Color"="cl3DLight"
"porl_Color"="clYellow"
"star1_Color"="clAqua"
"star2_Color"="clGray"
"star3_Color"="clYellow"
"town1_Color"="clYellow"
"town2_Color"="clTeal"
"town3_Color"="clRed"'
got=$(cat "$reg_file")
[[ "$got" == "$expected" ]] || fail "user.reg differs:
$got"
echo "ok: defaults written"
