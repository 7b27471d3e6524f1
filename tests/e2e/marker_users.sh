#!/usr/bin/env bash
# The instance marker belongs to one user and one display. Without XDG_RUNTIME_DIR, a marker file
# that another user left in the temporary directory, or a lock another user holds there, neither
# shows a box nor stops this user's saver; the markers live in a 0700 folder named with the uid.
# A saver on one display never stops one on another.
# Usage: marker_users.sh VELMORA
source "$(dirname "$0")/lib.sh"
VELMORA=$1
[[ $(id -u) == 0 ]] || { echo "SKIP: needs root to act as two users"; exit 77; }
nobody=65534

# The program where the other user can run it, beside its Qt module.
chmod 755 "$E2E_TMP"
mkdir -p "$E2E_TMP/bin" "$E2E_TMP/shared" "$E2E_TMP/nobody/config"
cp "$VELMORA" "$(dirname "$VELMORA")/velmora-qt.so" "$E2E_TMP/bin/"
chmod -R a+rX "$E2E_TMP/bin"
chmod 1777 "$E2E_TMP/shared"
chown -R "$nobody:$nobody" "$E2E_TMP/nobody"
export TMPDIR=$E2E_TMP/shared

start_xvfb 800x600
first=$DISPLAY

# still_running PID WHAT: fails with WHAT when the process has ended.
still_running() { running "$1" || fail "$2"; }
windows() { xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | wc -l; }

# Root's markers where every user's used to be: a stale one nobody may open, and one root holds.
touch "$TMPDIR/velmora.instance"
chmod 600 "$TMPDIR/velmora.instance"
env -u XDG_RUNTIME_DIR "$E2E_TMP/bin/velmora" /s &
root_pid=$!
E2E_PIDS+=($root_pid)
wait_window Velmora 5 >/dev/null
flock "$TMPDIR/velmora.instance" sleep 30 &
E2E_PIDS+=($!)
chmod 644 "$TMPDIR/velmora.instance"

setpriv --reuid=$nobody --regid=$nobody --clear-groups \
    env -u XDG_RUNTIME_DIR HOME="$E2E_TMP/nobody" XDG_CONFIG_HOME="$E2E_TMP/nobody/config" \
    "$E2E_TMP/bin/velmora" /s 2>"$E2E_TMP/nobody.err" &
user_pid=$!
E2E_PIDS+=($user_pid)
end=$((SECONDS + 5))
until [[ $(windows) == 2 ]]; do
    still_running "$user_pid" "the other user's saver ended: $(cat "$E2E_TMP/nobody.err")"
    ((SECONDS > end)) && fail "the other user's saver shows no window"
    sleep 0.05
done
sleep 0.5  # time for a saver that the other user's marker wrongly stopped to end, or a box to come
still_running "$user_pid" "the other user's saver ended"
[[ $(xdotool search --onlyvisible --name '.' | wc -l) == 2 ]] || fail "a box came up"
own=$TMPDIR/velmora-$nobody
[[ $(stat -c '%u %a %F' "$own") == "$nobody 700 directory" ]] || fail "marker folder: $(stat -c '%u %a %F' "$own")"
[[ -e $own/velmora.${first}.instance ]] || fail "no marker for display $first in $own: $(ls "$own")"
kill -TERM "$user_pid" "$root_pid"
wait_exit "$user_pid" 2000
wait_exit "$root_pid" 2000

# Two displays: each runs its own saver.
show_saver /s
pid1=$pid
start_xvfb 800x600
show_saver /s
pid2=$pid
sleep 0.3  # time for a saver that the other display's wrongly stopped to end
still_running "$pid1" "the saver on $first ended when one started on $DISPLAY"
still_running "$pid2" "the saver on $DISPLAY did not run beside the one on $first"
kill -TERM "$pid1" "$pid2"
wait_exit "$pid1" 2000
wait_exit "$pid2" 2000
echo "PASS"
