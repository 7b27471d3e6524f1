#!/usr/bin/env bash
# Esc closes the dialog and writes nothing, even after a preset was clicked.
. "$(dirname "$0")/dialog_lib.sh"

start_dialog "$@"
send_keys Tab Tab Tab Tab Tab Tab Tab Tab space Escape
wait_closed
[[ ! -e "$reg_file" ]] || fail "Esc wrote $reg_file"

mkdir -p "$(dirname "$reg_file")"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n"Speed"="40"\n' >"$reg_file"
before=$(md5sum <"$reg_file")
# With no argument the program opens the dialog too.
if [[ $# -gt 1 ]]; then start_dialog "$1"; else start_dialog "$@"; fi
type_text 20
send_keys Escape
wait_closed
[[ "$(md5sum <"$reg_file")" == "$before" ]] || fail "Esc changed $reg_file"
echo "ok: Esc writes nothing"
