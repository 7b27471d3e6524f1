#!/usr/bin/env bash
# The saver under KWin's own Wayland session: kwin_wayland --virtual with two 1024x768 outputs,
# on a session bus of its own. With the second output made primary (kscreen-doctor, through
# KWin's output management), the drive goes there and the first output turns black, hiding a
# window there until the saver ends; a key ends the saver, and so does a one-pixel move of the
# pointer over the drive. A window opened over the saver never leaves it shown and deaf to the
# keys. KWin's memory and CPU while the saver runs, and the time from a key to the saver's end,
# are printed.
# Usage: kwin.sh VELMORA FAKEINPUT KWINSHOT WINDOW
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
VELMORA=$1
command -v kwin_wayland >/dev/null || fail "kwin_wayland is not installed (scripts/deps.sh)"
command -v kscreen-doctor >/dev/null || fail "kscreen-doctor is not installed (scripts/deps.sh)"
command -v dbus-daemon >/dev/null || fail "dbus-daemon is not installed (scripts/deps.sh)"
host_user_setup "$VELMORA"
cp "$2" "$E2E_BIN/velmora-e2e-fakeinput"
cp "$3" "$E2E_BIN/velmora-e2e-kwinshot"
cp "$4" "$E2E_BIN/velmora-e2e-window"
# Debian's kwin_wayland carries file capabilities (to raise its own priority), which a container
# may refuse to execute; a copy has none.
cp "$(command -v kwin_wayland)" "$E2E_BIN/kwin_wayland"
chmod a+rx "$E2E_BIN"/*

# A session bus of its own, for KWin, KScreen's backend and the screenshots.
talk sessionbus "${AS_USER[@]}" dbus-daemon --session --nofork --print-address \
    "--address=unix:path=$XDG_RUNTIME_DIR/bus"
read -r -t 10 session_bus <&"$sessionbus_out" || fail "the session bus did not start"
AS_USER+=("DBUS_SESSION_BUS_ADDRESS=$session_bus" WAYLAND_DISPLAY=wayland-kwin QT_QPA_PLATFORM=wayland)

# The permission checks off: this test's own programs take screenshots and type.
"${AS_USER[@]}" KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
    kwin_wayland --virtual --output-count 2 --width 1024 --height 768 --socket wayland-kwin \
    --no-lockscreen --no-global-shortcuts >"$E2E_TMP/kwin.log" 2>&1 &
kwin_pid=$!
E2E_PIDS+=($kwin_pid)
E2E_DAEMON_LOG=$E2E_TMP/kwin.log
kwin_up() { user velmora-e2e-kwinshot --workspace "$E2E_HOME/shot.ppm" 2>/dev/null; }
wait_for 30000 kwin_up || fail "KWin did not start"

kwin_second_primary fresh

# The saver's drive shows stars on the primary output (start_saver).
saver_shown() { more_than "$(kwin_lit "$second" 0 60 1024 200)" 0.00005; }

# Input: one fake device for the whole test, the pointer over the drive before the saver starts.
talk input "${AS_USER[@]}" velmora-e2e-fakeinput
input() {
    echo "$*" >&"$input_in"
    local answer
    read -r -t 5 answer <&"$input_out" && [[ $answer == ok ]] || fail "fake input did not do '$*'"
}
# A white window on the first output, which the saver is to hide.
input at 500 300
talk white "${AS_USER[@]}" velmora-e2e-window 400 300
read -r -t 10 shown <&"$white_out" && [[ $shown == shown ]] || fail "the white window did not show"
window_on_first() { more_than "$(kwin_lit "$first" 0 0 1024 768)" 0.1; }
wait_for 5000 window_on_first || fail "the white window is not on $first ($(kwin_lit "$first" 0 0 1024 768))"
input at $((layout_x + 500)) 300

# kwin_cost WHEN PID: KWin's resident memory, and its CPU over five seconds through which PID
# (KWin, or the saver) keeps running.
kwin_cost() {
    local ticks start cpu
    ticks=$(awk '{print $14 + $15}' "/proc/$kwin_pid/stat")
    start=$(now_us)
    holds_for 5000 running "$2" || fail "$2 ended while KWin's cost was measured ($1)"
    cpu=$(awk -v t=$(($(awk '{print $14 + $15}' "/proc/$kwin_pid/stat") - ticks)) \
        -v hz="$(getconf CLK_TCK)" -v us=$(($(now_us) - start)) \
        'BEGIN{printf "%.1f", 100 * t / hz / (us / 1e6)}')
    echo "KWin $1: RSS $(awk '/^VmRSS/ {print $2, $3}' "/proc/$kwin_pid/status"), CPU $cpu%"
}
kwin_cost "before the saver" "$kwin_pid"

start_saver /s
# primary_drive: one screenshot of the primary output shows stars and the road (a few dots, and
# none at all in the frame the banner's end blanks); sets sky and road.
primary_drive() {
    sky=$(kwin_lit "$second" 0 60 1024 200)
    road=$(lit_of "$E2E_HOME/shot.ppm" 0 420 1024 348)
    more_than "$sky" 0.00005 && more_than "$road" 0.00002
}
sky=0 road=0
wait_for 5000 primary_drive || :
other=$(kwin_lit "$first" 0 0 1024 768)
echo "primary $second: sky $sky road $road; $first: $other"
more_than "$sky" 0.00005 || fail "no stars on the primary output ($sky)"
more_than "$road" 0.00002 || fail "no road on the primary output ($road)"
[[ $other == 0 ]] || fail "the other output is not black: the window shows ($other)"

kwin_cost "with the saver" "$pid"
running "$pid" || fail "the saver ended by itself"

# A key ends it (Escape).
before=$(now_us)
input key 1
wait_exit "$pid" 3000
echo "key to end: $((($(now_us) - before) / 1000)) ms"
[[ $EXIT_CODE == 0 ]] || { cat "$E2E_TMP/saver.err" >&2; fail "exit code $EXIT_CODE after a key"; }
wait_for 5000 eval 'window_on_first && [[ $(kwin_lit "$second" 0 60 1024 200) == 0 ]]' ||
    fail "the saver's picture outlives it, or the window does not show again"

# Another output made primary while the saver runs: the drive follows it there and the output it
# left turns black; and back again.
start_saver /s
drive_on() { # drive_on OUTPUT OTHER
    more_than "$(kwin_lit "$1" 0 60 1024 200)" 0.00005 && [[ $(kwin_lit "$2" 0 0 1024 768) == 0 ]]
}
asked=$(now_us)
user kscreen-doctor "output.$first.primary" >/dev/null 2>&1
wait_for 15000 drive_on "$first" "$second" || fail "the drive did not follow the primary to $first"
echo "the drive follows the primary to $first within $((($(now_us) - asked) / 1000)) ms" \
    "(kscreen-doctor and screenshots included)"
user kscreen-doctor "output.$second.primary" >/dev/null 2>&1
wait_for 15000 drive_on "$second" "$first" || fail "the drive did not follow the primary back to $second"
running "$pid" || fail "the saver ended as the primary output changed"
input key 1
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || { cat "$E2E_TMP/saver.err" >&2; fail "exit code $EXIT_CODE after a key"; }

# A one-pixel move over the drive ends it; the position it first sees does not.
start_saver /s
input at $((layout_x + 500)) 300
running "$pid" || fail "the pointer where it first was ended the saver"
input by 1 0
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a one-pixel move"

# A window opened while the saver runs: KWin puts it over the drive and gives it the keyboard.
# The saver is then never left there, partly covered and deaf to the keys: it ends by itself on
# losing the keyboard, or the key ends it.
start_saver /s
talk late "${AS_USER[@]}" velmora-e2e-window 300 200
read -r -t 10 shown <&"$late_out" && [[ $shown == shown ]] || fail "the late window did not show"
if wait_for 3000 eval '! running "$pid"'; then
    wait_exit "$pid" 0
    echo "late window: the saver ended as it lost the keyboard (exit code $EXIT_CODE)"
else
    input key 1
    wait_exit "$pid" 3000 # (fails when the saver stays covered and deaf)
    echo "late window: the saver stayed and a key ended it (exit code $EXIT_CODE)"
fi
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a window opened over the saver"
echo "PASS"
