#!/usr/bin/env bash
# velmora.scr /c under Wine, looked at: a screenshot of the dialog sampled against its form
# description (formcheck): the face colour everywhere outside the controls, inside the bevels and
# group boxes too; black inside the colour panel; each bevel's edge; each label's text inside its
# own box; the title's grey shadow.
# Usage: win_dialog_look.sh VELMORA.SCR WINTOOL.EXE FORMCHECK
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2 FORMCHECK=$3
need_files "$SCR" "$WINTOOL" "$FORMCHECK"
start_wine 1024x768
caption=$'\xe8\xa8\xad\xe5\xae\x9a'  # "設定"

wine_saver /c
pid=$SAVER_PID
wine_window "$caption" 20 >/dev/null
wine_foreground "$WINTOOL" "$caption" 10000 || fail "the dialog never came to the front"
read -r cx cy < <(wine "$WINTOOL" client "$caption" | tr -d '\r') || fail "the dialog's client area was not found"
read -r r g b < <(wine "$WINTOOL" syscolor 15 | tr -d '\r')  # COLOR_BTNFACE
echo "client area at $cx,$cy, face $r,$g,$b"
# Screenshots until the dialog has painted all of itself: the check runs on the last one.
form_drawn() {
    xwd -root -silent | convert xwd:- -depth 8 "$E2E_TMP/dialog.ppm"
    "$FORMCHECK" "$E2E_TMP/dialog.ppm" "$cx" "$cy" "$r" "$g" "$b" >"$E2E_TMP/formcheck.out" 2>&1
}
if ! wait_for 10000 form_drawn; then
    cat "$E2E_TMP/formcheck.out"
    convert "$E2E_TMP/dialog.ppm" "${TMPDIR:-/tmp}/velmora-win-dialog-failed.png" || true
    fail "the dialog does not look like its form (screenshot: ${TMPDIR:-/tmp}/velmora-win-dialog-failed.png)"
fi
xdotool key Escape
wait_exit "$pid" 10000
echo "PASS"
