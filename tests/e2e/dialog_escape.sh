#!/usr/bin/env bash
# Esc closes the dialog and writes nothing, even after a preset was clicked or the colour picker
# was run.
. "$(dirname "$0")/dialog_lib.sh"

start_dialog "$@"
send_keys Tab Tab Tab Tab Tab Tab Tab Tab space Escape
wait_closed
[[ ! -e "$reg_file" ]] || fail "Esc wrote $reg_file"

# The colour picker's custom colours live as long as the dialog: running it and cancelling
# leaves no file behind (nor overwrites another program's saved custom colours).
start_dialog "$@"
send_keys Tab Tab Tab Tab Tab Tab Tab space
wait_windows '>=' 2   # the picker is open
send_keys Escape      # the picker
wait_windows '<' 2
send_keys Escape      # the dialog
wait_closed
left=$(find "$XDG_CONFIG_HOME" "$HOME" -type f)
[[ -z "$left" ]] || fail "the dialog left files behind: $left"

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
