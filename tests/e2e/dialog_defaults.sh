#!/usr/bin/env bash
# Enter with no change writes all fourteen defaults, in the order OK writes them; the dialog,
# of fixed size, offers no maximise box.
. "$(dirname "$0")/dialog_lib.sh"

start_dialog "$@"
# A dialog of fixed size offers no maximise box: the window manager is told its Motif functions
# without maximise (nor "all") and a minimum size equal to its maximum.
read -r mwm_flags mwm_functions < <(xprop -id "$window" _MOTIF_WM_HINTS |
  sed -n 's/.*= \(0x[0-9a-f]*\), \(0x[0-9a-f]*\),.*/\1 \2/p')
[[ -n "${mwm_flags:-}" ]] && ((mwm_flags & 1)) || fail "the dialog tells no Motif functions"
((mwm_functions & 0x11)) && fail "the dialog offers a maximise box (Motif functions $mwm_functions)"
sizes=$(xprop -id "$window" WM_NORMAL_HINTS | sed -n 's/.*program specified m[a-z]* size: //p')
[[ $(wc -l <<<"$sizes") == 2 && $(sed -n 1p <<<"$sizes") == $(sed -n 2p <<<"$sizes") ]] ||
  fail "the dialog's size is not fixed: $sizes"
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
