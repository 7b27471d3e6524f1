#!/usr/bin/env bash
# Velmora under Debian's XScreenSaver daemon with `lock: True`: a lock runs the hack (the README's
# programs line), a key brings the daemon's unlock dialog over it, and the user's password typed
# there unlocks: the hack ends and leaves no marker file. Needs root (the test user gets a
# password); skipped otherwise.
# Usage: xscreensaver_lock.sh VELMORA
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
VELMORA=$1
require_programs xscreensaver
# Lower case and digits only: capitals typed through XTest did not reach XScreenSaver 6.06's
# dialog (which reads keys as XInput2 raw events) as capitals.
password_user_setup "$VELMORA" 'a-z0-9'
start_xvfb 1024x768
AS_USER+=("DISPLAY=$DISPLAY")

line=$(grep -m1 -E '^ +"Velmora" +velmora ' "$E2E_DIR/../../README.md") ||
    fail "README has no programs line for Velmora"
printf '%s\n' "mode: one" "selected: 0" "timeout: 0:30:00" "lock: True" "lockTimeout: 0:00:00" \
    "splash: False" "fade: False" "unfade: False" "dpmsEnabled: False" 'programs: \' "$line" "" \
    >"$E2E_HOME/.xscreensaver"
chown "$E2E_USER:" "$E2E_HOME/.xscreensaver"

E2E_DAEMON_LOG=$E2E_TMP/daemon.log
"${AS_USER[@]}" xscreensaver -no-splash -verbose >"$E2E_DAEMON_LOG" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
command_daemon() { "${AS_USER[@]}" xscreensaver-command "$@" 2>/dev/null; }
wait_for 10000 command_daemon -time >/dev/null || fail "the daemon did not start"

markers() { find "$XDG_RUNTIME_DIR" -maxdepth 1 -name '*.instance' | wc -l; }
drive_shown() {
    take_screenshot
    sky=$(shot_fraction 0 64 1024 192)
    road=$(shot_fraction 0 422 1024 346)
    more_than "$sky" 0.00005 && more_than "$road" 0.00002 && ! more_than "$road" 0.05
}
# The unlock dialog: a box of text and fields in the middle of the screen, far brighter than
# the drive's dots.
dialog_shown() {
    take_screenshot
    middle=$(shot_fraction 256 192 512 384)
    more_than "$middle" 0.05
}

start=$(now_us)
command_daemon -lock >/dev/null || fail "xscreensaver-command -lock failed"
wait_savers 1 10 "--root"
sky=0 road=0
wait_for 8000 drive_shown || fail "no drive under the lock (sky $sky road $road)"
echo "locked: the drive $((($(now_us) - start) / 1000)) ms after the lock (sky $sky road $road)"
[[ $(markers) == 1 ]] || fail "$(markers) markers while one hack runs"

if dialog_shown; then fail "a dialog before any key ($middle lit in the middle)"; fi
# The daemon ignores input for its first two seconds after a lock, so the key is pressed again
# until the dialog comes. Shift types nothing: a printable key would begin the password.
key_brings_dialog() {
    xdotool key Shift_L
    key_at=$(now_us)
    wait_for 1000 dialog_shown
}
middle=0
wait_for 10000 key_brings_dialog || fail "no unlock dialog after a key ($middle lit in the middle)"
echo "dialog $((($(now_us) - key_at) / 1000)) ms after the key that brought it"

start=$(now_us)
xdotool type --delay 30 "$PASSWORD"
xdotool key Return
unlocked() { command_daemon -time | grep -q 'non-blanked'; }
wait_for 10000 unlocked || fail "still locked after the password: $(command_daemon -time)"
wait_savers 0 5
echo "unlocked: the hack gone $((($(now_us) - start) / 1000)) ms after typing began"
[[ $(markers) == 0 ]] || fail "markers left after the unlock: $(ls "$XDG_RUNTIME_DIR")"
running "$daemon" || fail "the daemon ended"
command_daemon -exit >/dev/null
wait_exit "$daemon" 5000
echo "PASS"
