#!/usr/bin/env bash
# The saver under the real GNOME Shell: gnome-shell --headless on one virtual monitor, as the test
# user on a session bus of its own (and a private bus standing for the system bus, where the
# shell looks for logind and finds nobody, which it takes in its stride). The drive shows; over
# half a minute of it the shell's memory stays flat (it grew without end on XRGB buffers); a key
# through mutter's remote desktop ends it; Super, which opens the overview over the saver and
# takes the keyboard from it, ends it too.
# Usage: gnome.sh VELMORA GNOME_SHELL_SERVICES
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
command -v gnome-shell >/dev/null || fail "gnome-shell is not installed (scripts/deps.sh)"
host_user_setup "$1"
cp "$2" "$E2E_BIN/gnome-shell-services"
chmod a+rx "$E2E_BIN"/*
# How long the saver runs while the shell's memory is watched.
WATCH_SECONDS=${GNOME_WATCH_SECONDS:-30}

start_gnome_shell 1024x768

# lit AREA...: the share of non-black pixels of an area (X Y W H) of the screen now.
shoot() { services screenshot "$E2E_HOME/shot.png" >/dev/null || fail "no screenshot"; }
desktop_back() { shoot && more_than "$(lit_of "$E2E_HOME/shot.png" 0 0 1024 768)" 0.9; }
# (The overview, said closed, may still be sliding away.)
wait_for 10000 desktop_back ||
    fail "the desktop is not grey before the saver ($(lit_of "$E2E_HOME/shot.png" 0 0 1024 768))"

# The saver covers the screen once nearly all of it is black.
saver_shown() {
    shoot
    awk -v v="$(lit_of "$E2E_HOME/shot.png" 0 0 1024 768)" 'BEGIN{exit !(v < 0.05)}'
}
# start_gnome_saver: "velmora /s" as the test user, waited for until it covers the screen (the
# shell's screenshots take a second or more on a loaded machine); sets pid.
start_gnome_saver() {
    "${AS_USER[@]}" velmora /s 2>"$E2E_TMP/saver.err" &
    pid=$!
    E2E_PIDS+=($pid)
    shown_or_gone() { ! running "$pid" || saver_shown; }
    wait_for 30000 shown_or_gone || fail "the saver does not cover the screen"
    running "$pid" || { cat "$E2E_TMP/saver.err" >&2; fail "the saver ended at once"; }
}
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$shell/status"; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$shell/stat"; }

before=$(rss_kb)
start_gnome_saver
shown=$(rss_kb)
ticks=$(cpu_ticks)
sleep "$WATCH_SECONDS"
running "$pid" || fail "the saver ended by itself"
after=$(rss_kb)
ticks=$(($(cpu_ticks) - ticks))
cpu=$(awk -v t="$ticks" -v hz="$(getconf CLK_TCK)" -v s="$WATCH_SECONDS" \
    'BEGIN{printf "%.1f", 100 * t / hz / s}')
echo "gnome-shell: RSS $((before / 1024)) MB before the saver, $((shown / 1024)) MB once it" \
    "shows, $((after / 1024)) MB after ${WATCH_SECONDS} s of it; CPU ${cpu} % of a core"
((after - shown < 50 * 1024)) || fail "gnome-shell grew by $(((after - shown) / 1024)) MB in ${WATCH_SECONDS} s"
# Stars in the sky and dots of the road (few at a time: a screenshot or two may be needed).
drive_seen() {
    shoot
    sky=$(lit_of "$E2E_HOME/shot.png" 0 60 1024 200)
    road=$(lit_of "$E2E_HOME/shot.png" 0 420 1024 348)
    more_than "$sky" 0.00005 && more_than "$road" 0.00002
}
wait_for 10000 drive_seen || fail "no drive: sky $sky, road $road"
echo "the drive: sky $sky road $road"

key 30
key_at=$(now_us)
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a key"
echo "a key ends the saver after $((($(now_us) - key_at) / 1000)) ms"
wait_for 5000 desktop_back || fail "the saver's window outlives it"

# Super opens the overview over the saver and gives it the keyboard: the saver, still seen,
# ends rather than stay there deaf to input.
start_gnome_saver
key 125
key_at=$(now_us)
# (Now and then the shell lets a Super go by: it is pressed again once the overview has not
# shown.)
if ! wait_for 3000 in_overview; then
    running "$pid" || fail "the saver ended, but the overview did not open"
    key 125
    key_at=$(now_us)
    wait_for 5000 in_overview || fail "Super does not open the overview"
fi
# (In the overview mutter answers the saver's frames late, a second or two on a loaded machine.)
ended() { ! running "$pid"; }
if wait_for 10000 ended; then
    wait_exit "$pid" 1000
    [[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after the overview opened"
    echo "the overview opened over the saver: it ends after $((($(now_us) - key_at) / 1000)) ms"
else
    # Now and then mutter opens the overview and leaves the keyboard with the saver: then the
    # saver is not deaf, and a key still ends it.
    key 30
    wait_exit "$pid" 3000
    [[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a key in the overview"
    echo "the overview opened and left the saver the keyboard: a key ends it"
fi
echo "PASS"
