#!/usr/bin/env bash
# The saver under the real GNOME Shell on two virtual monitors (gnome-shell --headless, as in
# gnome.sh): with the second monitor made primary through mutter's DisplayConfig, the drive shows
# there and the first monitor is black; the primary made the first again while the saver runs,
# the drive follows. With a DisplayConfig that never answers, the saver still shows at once, its
# drive on the first monitor. PrtSc's screenshot tool taking the keyboard ends the saver, and a
# saver started while the overview is open either covers the screen with the keyboard or ends.
# Prints the time from the saver's connection to its first picture, with and without mutter's
# answer, and how long the drive takes to follow a change of the primary.
# Usage: gnome_primary.sh VELMORA GNOME_SHELL_SERVICES
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
command -v gnome-shell >/dev/null || fail "gnome-shell is not installed (scripts/deps.sh)"
host_user_setup "$1"
cp "$2" "$E2E_BIN/gnome-shell-services"
chmod a+rx "$E2E_BIN"/*

start_gnome_shell 1024x768 800x600

# The two monitors as mutter lays them out: CONNECTOR X Y W H PRIMARY.
mapfile -t monitors < <(services monitors)
((${#monitors[@]} == 2)) || fail "mutter shows ${#monitors[@]} monitors: ${monitors[*]}"
read -r first fx fy fw fh _ <<<"${monitors[0]}"
read -r second sx sy sw sh _ <<<"${monitors[1]}"
echo "monitors: $first at $fx,$fy ${fw}x$fh; $second at $sx,$sy ${sw}x$sh"
primary_is() { services monitors | awk -v c="$1" '$6 == 1 {found = $1 == c} END {exit !found}'; }

# The screen as the shell sees it, both monitors, and areas of it. The drive's sky band and road
# lie in the top and bottom parts of its monitor.
shoot() { services screenshot "$E2E_HOME/shot.png" >/dev/null || fail "no screenshot"; }
lit_in() { lit_of "$E2E_HOME/shot.png" "$@"; }
# drive_on X Y W H: stars and road in that monitor, from one screenshot taken before.
drive_on() {
    local sky road
    sky=$(lit_in "$1" $(($2 + $4 / 12)) "$3" $(($4 / 4)))
    road=$(lit_in "$1" $(($2 + $4 * 9 / 16)) "$3" $(($4 * 7 / 16)))
    more_than "$sky" 0.00005 && more_than "$road" 0.00002
}
black_on() { ! more_than "$(lit_in "$@")" 0.002; }
# drive_on_first / drive_on_second: the drive there and the other monitor black.
drive_on_first() { shoot && drive_on "$fx" "$fy" "$fw" "$fh" && black_on "$sx" "$sy" "$sw" "$sh"; }
drive_on_second() { shoot && drive_on "$sx" "$sy" "$sw" "$sh" && black_on "$fx" "$fy" "$fw" "$fh"; }
desktop_back() { shoot && more_than "$(lit_in "$fx" "$fy" "$fw" "$fh")" 0.9; }

# start_saver [ENV...]: "velmora /s" as the test user with the Wayland requests logged; sets pid.
start_saver() {
    "${AS_USER[@]}" "$@" WAYLAND_DEBUG=client velmora /s 2>"$E2E_TMP/saver.err" &
    pid=$!
    E2E_PIDS+=($pid)
}
# first_picture_ms: from the saver's first request to the compositor to its first buffer.
first_picture_ms() {
    awk -F'[][]' '/^\[/ && !start {start = $2} / -> wl_surface@[0-9]+\.attach\(wl_buffer@/ {
        printf "%d", $2 - start; exit }' "$E2E_TMP/saver.err"
}
end_saver_with_key() {
    key 30
    wait_exit "$pid" 3000
    [[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a key"
    wait_for 10000 desktop_back || fail "the saver's windows outlive it"
}

services primary "$second"
wait_for 10000 primary_is "$second" || fail "mutter did not make $second primary"

# The drive on the primary, the other monitor black.
start_saver
wait_for 30000 drive_on_second || { cat "$E2E_TMP/shell.log" >&2; fail "no drive on the primary $second"; }
answered_ms=$(first_picture_ms)
echo "the drive on the primary $second, $first black; first picture ${answered_ms} ms after connecting"

# The primary changed while the saver runs: the drive follows, within a deadline.
changed_at=$(now_us)
services primary "$first"
wait_for 15000 drive_on_first || fail "the drive did not follow the primary to $first"
# The saver's own moment: its first toplevel moved to another output after the change (the
# request log's clock is the wall clock's microseconds, 32 bits of them, in milliseconds).
moved_ms=$(awk -F'[][]' -v t="$(((changed_at % 4294967296) / 1000))" \
    '/ -> xdg_toplevel@[0-9]+\.set_fullscreen/ && $2 > t {printf "%d", $2 - t; exit}' \
    "$E2E_TMP/saver.err")
echo "the drive follows the primary to $first: moved ${moved_ms:-?} ms after the change was" \
    "asked (the asking program's start included), seen in a screenshot within $((($(now_us) - changed_at) / 1000)) ms"
running "$pid" || fail "the saver ended as the primary changed"
end_saver_with_key

# A DisplayConfig that answers nothing: the saver waits a short while, then shows its drive on
# the first monitor as where nothing names a primary.
services primary "$second"
wait_for 10000 primary_is "$second" || fail "mutter did not make $second primary again"
talk silent "${AS_USER[@]}" sh -c 'exec dbus-daemon --session --nofork --print-address'
read -r -t 10 silent_address <&"$silent_out" || fail "the silent bus did not start"
# (First nobody owns the name there: the bus says so at once, and the saver does not wait.)
start_saver "DBUS_SESSION_BUS_ADDRESS=$silent_address"
wait_for 30000 drive_on_first || fail "no drive on $first without DisplayConfig"
echo "no DisplayConfig: the drive on $first; first picture $(first_picture_ms) ms after connecting"
end_saver_with_key
talk mute "${AS_USER[@]}" "DBUS_SESSION_BUS_ADDRESS=$silent_address" gnome-shell-services \
    silent-display-config
read -r -t 10 word <&"$mute_out" && [[ $word == ready ]] || fail "no silent DisplayConfig"
start_saver "DBUS_SESSION_BUS_ADDRESS=$silent_address"
wait_for 30000 drive_on_first || fail "no drive on $first while DisplayConfig is silent"
silent_ms=$(first_picture_ms)
echo "DisplayConfig silent: the drive on $first; first picture ${silent_ms} ms after connecting"
((silent_ms < 1000)) || fail "the saver waited ${silent_ms} ms for a silent DisplayConfig"
end_saver_with_key

# PrtSc opens the shell's screenshot tool, which takes the keyboard: the saver, still seen under
# it, ends; Escape then closes the tool and the desktop is back.
start_saver
wait_for 30000 drive_on_second || fail "no drive on $second before PrtSc"
key 99
key_at=$(now_us)
ended() { ! running "$pid"; }
wait_for 10000 ended || fail "the saver stays on the screen under the screenshot tool"
wait_exit "$pid" 1000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after PrtSc"
echo "PrtSc: the screenshot tool takes the keyboard, the saver ends after" \
    "$((($(now_us) - key_at) / 1000)) ms"
key 1
wait_for 10000 desktop_back || fail "the screenshot tool or the saver's windows stay"

# Started while the overview is open, which keeps the keyboard for its search: the saver either
# covers the screen with the keyboard or ends, never stays in the overview deaf to the keys.
key 125
wait_for 5000 in_overview || { key 125; wait_for 5000 in_overview || fail "Super does not open the overview"; }
start_saver
started_at=$(now_us)
if wait_for 15000 ended; then
    wait_exit "$pid" 1000
    [[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE of a saver started in the overview"
    echo "started in the overview, which keeps the keyboard: the saver ends after" \
        "$((($(now_us) - started_at) / 1000)) ms"
    key 1
    wait_for 10000 not_in_overview || fail "the overview does not close"
else
    not_in_overview || fail "the saver stays in the overview while the search has the keys"
    # (The road is a few dots: a screenshot or two may be needed.)
    wait_for 10000 drive_on_second ||
        fail "started in the overview, the saver neither covers the screen nor ends"
    end_saver_with_key
    echo "started in the overview: the saver covers the screen and a key ends it"
fi

echo "PASS"
