#!/usr/bin/env bash
# Settings move between the Linux user.reg and the Windows registry with regedit, both ways:
# fourteen values written on Linux import with "regedit /S" and read back in Wine as the same
# REG_SZ texts; the Windows settings dialog then shows them and OK writes them again; "regedit
# /E" exports the key and the Linux reader finds the same fourteen values in the export.
# Usage: win_regexchange.sh REGSHARE VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
REGSHARE=$1 SCR=$2 WINTOOL=$3
need_files "$REGSHARE" "$SCR" "$WINTOOL"
start_wine 1024x768

expected=(Speed=17 DispMode=1 UpDown=3 StarScroll=1 Comet=1 Trans=0
          road_Color=clWhite 'porl_Color=$0001FEFF' star1_Color=cl3DLight star2_Color=clAqua
          star3_Color=clYellow 'town1_Color=$0001807F' town2_Color=clTeal 'town3_Color=$0000009B')

# Linux -> Windows.
"$REGSHARE" write "$E2E_TMP/user.reg" || fail "regshare could not write user.reg"
wine regedit /S "$(winepath -w "$E2E_TMP/user.reg" | tr -d '\r')" || fail "regedit /S failed"
reg_snapshot
for pair in "${expected[@]}"; do
    name=${pair%%=*} want=${pair#*=}
    got=$(reg_sz "$name")
    [[ $got == "$want" ]] || fail "after the import $name is $got, expected REG_SZ $want"
done
echo "imported: $(grep -c REG_SZ "$E2E_TMP/reg.txt") REG_SZ values"

# The Windows dialog reads them and OK writes all fourteen again.
wine_saver /c
pid=$SAVER_PID
wine_window $'\xe8\xa8\xad\xe5\xae\x9a' 20 >/dev/null
wine_foreground "$WINTOOL" $'\xe8\xa8\xad\xe5\xae\x9a' 10000 || fail "the dialog never came to the front"
xdotool key Return
wait_exit "$pid" 10000
[[ $EXIT_CODE == 0 ]] || fail "the dialog exited with $EXIT_CODE"

# Windows -> Linux.
wine regedit /E "$(winepath -w "$E2E_TMP/export.reg" | tr -d '\r')" 'HKEY_CURRENT_USER\Software\Velmora' ||
    fail "regedit /E failed"
[[ -s $E2E_TMP/export.reg ]] || fail "regedit wrote no export"
"$REGSHARE" read "$E2E_TMP/export.reg" >"$E2E_TMP/read.txt" || fail "the Linux reader failed on the export"
printf '%s\n' "${expected[@]}" >"$E2E_TMP/expected.txt"
diff -u "$E2E_TMP/expected.txt" "$E2E_TMP/read.txt" || fail "the export reads back differently on Linux"
echo "exported and read back: $(wc -l <"$E2E_TMP/read.txt") values"
echo "PASS"
