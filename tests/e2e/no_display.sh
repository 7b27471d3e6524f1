#!/usr/bin/env bash
# Without a display the saver, its preview and the dialog all fail alike: one clear line on
# standard error and exit code 1, before Qt is ever loaded (which would abort).
# Usage: no_display.sh VELMORA
source "$(dirname "$0")/lib.sh"
VELMORA=$1
for display in unset :31999; do
    for mode in /s "/p 1234" /c ""; do
        what="DISPLAY $display, mode '$mode'"
        if [[ $display == unset ]]; then
            # shellcheck disable=SC2086
            env -u DISPLAY -u WAYLAND_DISPLAY "$VELMORA" $mode 2>"$E2E_TMP/err" &
        else
            # shellcheck disable=SC2086
            DISPLAY=$display env -u WAYLAND_DISPLAY "$VELMORA" $mode 2>"$E2E_TMP/err" &
        fi
        pid=$!
        wait_exit "$pid" 2000
        [[ $EXIT_CODE == 1 ]] || fail "$what: exit code $EXIT_CODE"
        grep -q "cannot open the X display" "$E2E_TMP/err" || fail "$what: said $(cat "$E2E_TMP/err")"
        [[ $(wc -l <"$E2E_TMP/err") == 1 ]] || fail "$what: more than one line: $(cat "$E2E_TMP/err")"
    done
done
echo "PASS"
