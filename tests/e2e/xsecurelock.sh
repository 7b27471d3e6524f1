#!/usr/bin/env bash
# Velmora as xsecurelock's saver, set up as the README says (XSECURELOCK_SAVER), on a display of
# two RandR monitors: the lock runs one saver per monitor and each draws the drive on its own
# monitor; a key brings the password prompt over it, and typing the user's password unlocks.
# After the unlock, and after the locker is killed, no saver runs and no marker file is left.
# Needs root (the test user gets a password); skipped otherwise.
# Usage: xsecurelock.sh VELMORA
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
VELMORA=$1
require_programs xsecurelock
password_user_setup "$VELMORA" 'A-Za-z0-9'
# One screen, two monitors side by side, as xsecurelock sees them through RandR.
start_xvfb 1824x768
xrandr --setmonitor left 1024/270x768/203+0+0 screen >/dev/null
xrandr --setmonitor right 800/211x600/158+1024+0 none >/dev/null
[[ $(xrandr --listmonitors | head -n1) == "Monitors: 2" ]] || fail "no two monitors: $(xrandr --listmonitors)"
AS_USER+=("DISPLAY=$DISPLAY")

markers() { find "$XDG_RUNTIME_DIR" -maxdepth 1 -name '*.instance' | wc -l; }

# drive_on X Y W H: the drive shows in that monitor of the last screenshot; sets sky and road.
drive_on() {
    sky=$(shot_fraction "$1" $(($2 + $4 / 12)) "$3" $(($4 / 4)))
    road=$(shot_fraction "$1" $(($2 + $4 * 11 / 20)) "$3" $(($4 * 9 / 20)))
    more_than "$sky" 0.00005 && more_than "$road" 0.00002 && ! more_than "$road" 0.05
}
drive_on_both() {
    take_screenshot
    drive_on 0 0 1024 768 && left="sky $sky road $road" &&
        drive_on 1024 0 800 600 && right="sky $sky road $road"
}

# lock: starts xsecurelock as the test user with the README's settings and waits for the drive on
# both monitors; sets locker.
lock() {
    local start
    start=$(now_us)
    "${AS_USER[@]}" XSECURELOCK_SAVER="$E2E_BIN/velmora" XSECURELOCK_PAM_SERVICE=common-auth \
        xsecurelock >"$E2E_TMP/locker.log" 2>&1 &
    locker=$!
    E2E_PIDS+=($locker)
    E2E_DAEMON_LOG=$E2E_TMP/locker.log
    wait_savers 2 10 "-root"
    left=none right=none
    wait_for 8000 drive_on_both || fail "no drive on both monitors (left: $left, right: $right)"
    echo "locked: the drive on both monitors $((($(now_us) - start) / 1000)) ms after the start" \
        "(left $left; right $right)"
}

# bright_in X Y W H: the share of bright pixels (text, lines) of a screen area, on the last
# screenshot; the drive's dots are too few to make a share of a hundredth.
bright_in() {
    convert "$E2E_TMP/screen.png" -crop "${3}x${4}+${1}+${2}" +repage -colorspace Gray \
        -threshold 50% -format "%[fx:mean]" info:
}
# prompt_on X Y W H: xsecurelock's password prompt (its text and entry line) shows in the middle
# of that monitor; sets bright.
prompt_on() {
    bright=$(bright_in $(($1 + $3 / 3)) $(($2 + $4 * 35 / 100)) $(($3 / 3)) $(($4 / 4)))
    more_than "$bright" 0.015
}
prompt_on_both() {
    take_screenshot
    prompt_on 0 0 1024 768 && prompt_on 1024 0 800 600
}

lock
running "$locker" || fail "xsecurelock ended"
[[ $(markers) == 2 ]] || fail "$(markers) markers while two savers run"
# Each saver draws into the window xsecurelock made for its monitor.
for pid in $(saver_pids); do
    window=$(tr '\0' '\n' <"/proc/$pid/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
    [[ -n $window ]] || fail "saver $pid was given no window"
    xwininfo -children -id "$window" | grep -q '"Velmora"' || fail "no saver window in $window"
done

# A key: the password prompt comes over the drive, and the savers go on under it.
take_screenshot
if prompt_on 0 0 1024 768 || prompt_on 1024 0 800 600; then fail "a prompt before any key ($bright)"; fi
start=$(now_us)
xdotool key space
wait_for 5000 prompt_on_both || fail "no password prompt on both monitors after a key ($bright)"
echo "prompt $((($(now_us) - start) / 1000)) ms after the key"
# ... over the drive, which goes on around it.
# (Deadline as for the lock's own drive: a screenshot of both monitors takes a second or more on
# a loaded machine. What the last one showed is said if it fails.)
left=none right=none
wait_for 8000 drive_on_both ||
    fail "no drive around the prompt (left: $left, right: $right; last measured sky $sky road $road)"
wait_savers 2 0 "-root"

# The password unlocks: the locker ends, and its savers with it.
start=$(now_us)
xdotool type --delay 30 "$PASSWORD"
xdotool key Return
wait_exit "$locker" 10000
[[ $EXIT_CODE == 0 ]] || fail "xsecurelock ended with $EXIT_CODE after the password"
wait_savers 0 5
echo "unlocked: locker and savers gone $((($(now_us) - start) / 1000)) ms after typing began"
[[ $(markers) == 0 ]] || fail "markers left after the unlock: $(ls "$XDG_RUNTIME_DIR")"

# A locker killed outright: its windows go with its connection, and the savers with them.
lock
start=$(now_us)
kill -KILL "$locker"
wait_savers 0 10
echo "killed: savers gone $((($(now_us) - start) / 1000)) ms after the locker was killed"
[[ $(markers) == 0 ]] || fail "markers left after the locker was killed: $(ls "$XDG_RUNTIME_DIR")"
echo "PASS"
