#!/usr/bin/env bash
# Locked on return on Wayland itself (a headless sway, no Xwayland), with a stand-in logind on a
# private bus that stands for the system bus and swayidle's lock event starting swaylock: past
# the grace period a key has the session locked, the saver stays until swaylock holds the
# screen, then ends; within the grace period a key ends it at once.
# Usage: returnlock_sway.sh VELMORA LOGIND_STANDIN
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
sway_locker_session "$1"
logind_setup "$2"
E2E_DAEMON_LOG=$E2E_TMP/logind.log

# The saver's window is on the output with the keyboard.
saver_shown() { sway_saver_focused; }

"${AS_USER[@]}" swayidle -w lock 'swaylock -f -c ff0000' >"$E2E_TMP/swayidle.log" 2>&1 &
E2E_PIDS+=($!)

# 1. Past the grace period: the key asks for the lock; swayidle starts swaylock, which takes the
# screen (the compositor stops showing the saver: nothing sets LockedHint here); the saver then
# ends, and the session stays locked.
desktop_options '"ScreenSaverIsSecure"="1"' '"ScreenSaverGracePeriod"="0"'
start_saver /s
locks=$(lock_requests)
user wtype -k a
key_at=$(now_us)
wait_for 3000 eval '(($(lock_requests) > locks))' || fail "no Lock request reached logind after the key"
wait_for 3000 swaylock_runs || fail "swayidle did not start swaylock on logind's Lock: $(cat "$E2E_TMP/swayidle.log")"
wait_for 4500 saver_gone || fail "the saver did not give way to swaylock"
ended_us=$(($(now_us) - key_at))
wait_exit "$pid" 1000
[[ ! -s $E2E_TMP/saver.err ]] || fail "the saver fell back instead of giving way: $(cat "$E2E_TMP/saver.err")"
swaylock_runs || fail "swaylock did not stay"
lock_hint=$(login_property LockedHint)
echo "sway: the saver gave way to swaylock $(ms "$ended_us") ms after the key (LockedHint $lock_hint)"
for locker in $(pgrep -u "$HOST_USER" -x swaylock); do kill -TERM "$locker"; done

# 2. A grace period of 10 s (a loaded machine takes seconds from the showing to sway's focus and
# the key): a key within it ends the saver at once, without a lock.
wait_for 3000 eval '! swaylock_runs' || fail "swaylock did not end"
desktop_options '"ScreenSaverIsSecure"="1"' '"ScreenSaverGracePeriod"="10"'
locks=$(lock_requests)
launch_saver /s
# (The grace period counts from the saver's showing, not from its launch, which can be slow under
# load: the deadline counts from the launch.)
wait_for 5000 saver_shown || fail "the saver's window is not there"
user wtype -k a
wait_for 1000 saver_gone || fail "a key within the grace period did not end the saver"
(($(lock_requests) == locks)) || fail "a key within the grace period asked for the lock"
echo "sway: within the grace period the key ended the saver without a lock"
