#!/usr/bin/env bash
# velmora.scr /s under Wine loses the activation to another program's window: the saver ends as
# it does on input, with exit code 0, rather than stay on the screen partly covered and deaf to
# typed keys. Until then, with nothing taking the activation, it keeps running and holding the
# foreground through its banner's five seconds while the screen is photographed. Prints the time
# from the other window's activation to the saver's exit.
# Usage: win_activation.sh VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2
need_files "$SCR" "$WINTOOL"
wine_saver_shown 1280x1024
wine_foreground "$WINTOOL" Velmora 10000 || fail "the saver never had the foreground"

# Screenshots until the banner has come and gone (five seconds after the window is made) over a
# drawn drive: the saver has been on the screen, unmoved, that long.
banner_seen=0
banner_gone() {
    take_screenshot
    banner=$(shot_fraction 0 5 260 40)
    sky=$(shot_fraction 0 60 1280 280)
    road=$(shot_fraction 0 516 1280 508)
    more_than "$banner" 0.03 && banner_seen=1
    ((banner_seen)) && ! more_than "$banner" 0.005 && more_than "$sky" 0.00005 &&
        more_than "$road" 0.00001
}
banner=0 sky=0 road=0
wait_for 15000 banner_gone ||
    fail "no banner that went over a drawn drive (banner seen $banner_seen, now $banner, sky $sky, road $road)"
echo "banner gone, sky $sky road $road"
running "$pid" || fail "the saver ended while nothing took the activation"
[[ $(wine "$WINTOOL" foreground | tr -d '\r') == Velmora ]] || fail "the saver lost the foreground by itself"

# Another program's window comes to the front and takes the activation.
wine "$WINTOOL" activate 30 >"$E2E_TMP/other.out" &
E2E_PIDS+=($!)
wait_for 20000 grep -q '^active ' "$E2E_TMP/other.out" ||
    fail "the other window never had the foreground ($(tr -d '\r' <"$E2E_TMP/other.out"))"
active_us=$(awk '/^active /{print $2; exit}' "$E2E_TMP/other.out" | tr -d '\r')
# The window leaves the screen first; the process ends when Wine has taken it down.
saver_shown() { [[ -n $(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null) ]]; }
wait_for 8000 eval '! saver_shown' || fail "the saver's window stayed on the screen"
hidden_us=$(now_us)
wait_exit "$pid" 5000
ended_us=$(now_us)
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after the activation went to another program"
echo "activation lost to another program: the saver's window went $(((hidden_us - active_us) / 1000)) ms" \
    "and its process $(((ended_us - active_us) / 1000)) ms after it"
echo "PASS"
