#!/usr/bin/env bash
# The saver as a guest of a sway session run by swayidle: started by swayidle's first timeout, it
# keeps neither the later timeouts nor the re-arming from happening. swaylock comes at its own
# time while the drive shows (which then stops drawing), and the outputs are powered off at
# theirs; after the key that ends the saver, swayidle starts it again after a full idle time.
# Keys typed under the lock are swaylock's, none the saver's beneath; with a password the test
# user has (set when run as root), typing it unlocks. velmora-idle starts no saver while swaylock
# holds the session locked. On Wayland itself (no Xwayland).
# Usage: swayidle.sh VELMORA VELMORA_IDLE
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
sway_locker_session "$1"
# swaylock checks the test user's password through PAM: given one when the test can (as root);
# otherwise SIGUSR1 unlocks.
password=
if ((EUID == 0)); then
    password=$(head -c 12 /dev/urandom | base64 | tr -dc 'a-zA-Z0-9')
    echo "$E2E_USER:$password" | chpasswd || fail "cannot give $E2E_USER a password"
fi

# swayidle's power-off command ran: it leaves a mark. (Sway 1.7's headless outputs refuse to be
# powered off, "Failed to commit output", so what is checked is that swayidle asked for it at its
# time; on a later sway the output's state says it too.)
powered_off() { [[ -e $XDG_RUNTIME_DIR/powered-off ]]; }
# The share of red (swaylock's colour here) on the output.
red_share() {
    user grim -o HEADLESS-1 "$E2E_HOME/lock.png"
    convert "$E2E_HOME/lock.png" -fx 'r > 0.8 && g < 0.2 && b < 0.2' -format "%[fx:mean]" info:
}

# 1. The saver after 2 s; a key ends it and swayidle re-arms: the saver comes again after a
# full idle time, not sooner.
"${AS_USER[@]}" swayidle -w timeout 2 'velmora /s &' >"$E2E_TMP/swayidle.log" 2>&1 &
idle=$!
E2E_PIDS+=($idle)
wait_savers 1 8
wtype_to_saver Escape
key=$(now_us)
wait_savers 0 3
no_saver_until $((key + 1500000)) "again before a full idle time"
wait_savers 1 5
again=$((($(now_us) - key) / 1000))
echo "the saver again ${again} ms after the key that ended it"
wtype_to_saver Escape
wait_savers 0 3
kill -TERM "$idle"
wait_exit "$idle" 3000

# 2. The saver at 2 s, swaylock at 5 s and the outputs off at 7 s, all counted from the last
# input, with the drive showing from 2 s on. (-w: swayidle waits for each command before it
# handles the next timeout, so the saver goes to the background.)
"${AS_USER[@]}" swayidle -w timeout 2 'velmora /s &' timeout 5 'swaylock -f -c ff0000' \
    timeout 7 'swaymsg "output * dpms off"; touch "$XDG_RUNTIME_DIR/powered-off"' resume 'swaymsg "output * dpms on"' \
    >"$E2E_TMP/swayidle.log" 2>&1 &
idle=$!
E2E_PIDS+=($idle)
# The last input: a key now.
user wtype -k F23
start=$(now_us)
wait_savers 1 8
saver_at=$((($(now_us) - start) / 1000))
wait_for 10000 swaylock_runs ||
    fail "no swaylock while the saver shows ($(cat "$E2E_TMP/swayidle.log"))"
lock_at=$((($(now_us) - start) / 1000))
[[ -n $(saver_pids) ]] || fail "the saver ended before the lock came"
echo "saver started at ${saver_at} ms, swaylock at ${lock_at} ms (asked for 2000 and 5000)"
((lock_at >= 4500)) || fail "swaylock came too soon (${lock_at} ms)"
# The lock covers the drive.
covered() { more_than "$(red_share)" 0.9; }
wait_for 5000 covered || fail "swaylock's surface does not cover the output ($(red_share))"
# Under the lock nobody sees the drive: sway answers none of its frames, and it stops drawing
# and waking (a few wakeups a second at most).
saver=$(saver_pids)
wait_for 5000 wakeups_within "$saver" 0 3 || fail "the saver goes on drawing under the lock"
wait_for 8000 powered_off || fail "swayidle did not power the outputs off while the drive showed"
off_at=$((($(now_us) - start) / 1000))
echo "outputs powered off at ${off_at} ms (asked for 7000); sway says:" \
    "$(user swaymsg -t get_outputs | grep -oE '"(dpms|power)": [a-z]+' | tr '\n' ' ')"
[[ -n $(saver_pids) ]] || fail "the saver ended while the session idled"
kill -TERM "$idle"
wait_exit "$idle" 3000

# Keys typed now go to swaylock: it shows its indicator over the red (hidden until a key comes),
# and the saver beneath, which ends at any key it gets, goes on.
saver=$(saver_pids)
indicator_hidden() { more_than "$(red_share)" 0.995; }
indicator_hidden || fail "swaylock shows its indicator before any key ($(red_share))"
user wtype q
typed=$(now_us)
indicator_shown() { ! indicator_hidden; }
wait_for 3000 indicator_shown || fail "swaylock shows no sign of the key typed under the lock ($(red_share))"
echo "swaylock's indicator showed the typed key within $((($(now_us) - typed) / 1000)) ms (red share $(red_share))"
user wtype xyz
holds_for 1000 running "$saver" || fail "a key typed under the lock reached the saver beneath"
echo "the saver beneath got none of the keys typed under the lock"

# 3. velmora-idle in the session swaylock holds locked: no saver, however long the idle time;
# after the unlock (the password typed into swaylock, or SIGUSR1) and the user's input, one after
# the idle time.
for saver in $(saver_pids); do kill -TERM "$saver"; done
wait_savers 0 3
cp "$2" "$E2E_BIN/velmora-idle"
chmod a+rx "$E2E_BIN/velmora-idle"
"${AS_USER[@]}" velmora-idle --timeout 2 >"$E2E_TMP/idle.log" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
E2E_DAEMON_LOG=$E2E_TMP/idle.log
no_saver_for 5 "under swaylock's lock"
unlocked() { ! swaylock_runs; }
if [[ -n $password ]]; then
    # Escape clears what was typed before.
    user wtype -k Escape
    user wtype "$password"
    user wtype -k Return
    wait_for 10000 unlocked || fail "swaylock did not unlock with the password typed into it"
    echo "the password typed into swaylock unlocked the session"
else
    # (swaylock -f's first process may linger as an unreaped zombie beside the one that locks.)
    for locker in $(pgrep -u "$HOST_USER" -x swaylock); do kill -USR1 "$locker" || true; done
    wait_for 3000 unlocked || fail "swaylock did not unlock on SIGUSR1"
fi
user wtype -k F23
typed=$(now_us)
wait_savers 1 6
echo "velmora-idle: no saver under the lock; one $((($(now_us) - typed) / 1000)) ms after the unlock's input"
kill -TERM "$daemon"
wait_exit "$daemon" 3000
wait_savers 0 3
echo "PASS"
