#!/usr/bin/env bash
# The dark preset then OK stores the three computed colours by number, the rest by name; what
# was in the file before and is not the dialog's stays as it was.
. "$(dirname "$0")/dialog_lib.sh"

mkdir -p "$(dirname "$reg_file")"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n"Keep"=hex:01,02\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"Mine"="stays"\r\n"Speed"="44"\r\n\r\n' >"$reg_file"

start_dialog "$@"
# From the spin field, eight stops reach the dark preset button (the radio groups are one stop
# each); seven back is OK.
send_keys Tab Tab Tab Tab Tab Tab Tab Tab space
send_keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab Return
wait_closed

expect_value porl_Color '"$0001FEFF"'
expect_value town1_Color '"$0001807F"'
expect_value town3_Color '"$0000009B"'
expect_value road_Color '"cl3DLight"'
expect_value star1_Color '"cl3DLight"'
expect_value star2_Color '"clAqua"'
expect_value Speed '"44"'
expect_value Mine '"stays"'
grep -q '^"Keep"=hex:01,02' "$reg_file" || fail "a foreign value was lost"
head -c 10 "$reg_file" | od -c | grep -q '\\r' || fail "the file's line ends changed"
echo "ok: dark preset stored"
