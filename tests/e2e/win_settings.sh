#!/usr/bin/env bash
# velmora.scr /c under Wine: Enter on the untouched dialog writes all fourteen settings as REG_SZ
# with the default texts (colour names as the colour table writes them); Esc writes nothing.
# With VELMORA_DOCS set, the dialog's screenshot goes to docs/win-dialog.png.
# Usage: win_settings.sh VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2
need_files "$SCR" "$WINTOOL"
start_wine 1024x768

# "設定", the dialog's caption
caption=$'\xe8\xa8\xad\xe5\xae\x9a'

# Esc first: the dialog closes and the key is not created.
wine_saver /c
pid=$SAVER_PID
wine_window "$caption" 20 >/dev/null
wine_foreground "$WINTOOL" "$caption" 10000 || fail "the dialog never came to the front"
xdotool key Escape
wait_exit "$pid" 10000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after Esc"
reg_snapshot
[[ $(reg_sz Speed) == "<missing>" ]] || fail "Esc wrote Speed"

wine_saver /c
pid=$SAVER_PID
id=$(wine_window "$caption" 20)
wine_foreground "$WINTOOL" "$caption" 10000 || fail "the dialog never came to the front"
if [[ -n ${VELMORA_DOCS:-} ]]; then
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xwd -root -silent | convert xwd:- -crop "$((WIDTH + 8))x$((HEIGHT + 8))+$((X - 4))+$((Y - 4))" +repage \
        "$VELMORA_DOCS/win-dialog.png"
fi
xdotool key Return
wait_exit "$pid" 10000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after Enter"

expected=(Speed=30 DispMode=0 UpDown=1 StarScroll=0 Comet=0 Trans=0
          road_Color=cl3DLight porl_Color=clYellow star1_Color=clAqua star2_Color=clGray
          star3_Color=clYellow town1_Color=clYellow town2_Color=clTeal town3_Color=clRed)
reg_snapshot
for pair in "${expected[@]}"; do
    name=${pair%%=*} want=${pair#*=}
    got=$(reg_sz "$name")
    echo "$name $got"
    [[ $got == "$want" ]] || fail "$name is $got, expected REG_SZ $want"
done
count=$(grep -c 'REG_SZ' "$E2E_TMP/reg.txt")
[[ $count == 14 ]] || fail "$count REG_SZ values, expected 14"
echo "PASS"
