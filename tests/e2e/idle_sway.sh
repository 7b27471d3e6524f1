#!/usr/bin/env bash
# velmora-idle under a headless sway: the compositor's idle protocol (org_kde_kwin_idle on sway
# 1.7, ext-idle-notify-v1 on later ones) starts the saver after the idle time, and the output
# shows the drive; a key ends it, and it starts again after the next idle time, not sooner.
# Whichever backend the saver draws with; this checks the process and the output. With sway
# gone, velmora-idle fails, for its systemd unit to start it again.
# Usage: idle_sway.sh VELMORA VELMORA_IDLE
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
command -v sway >/dev/null || fail "sway is not installed (scripts/deps.sh)"
host_user_setup "$1"
cp "$2" "$E2E_BIN/velmora-idle"
chmod a+rx "$E2E_BIN/velmora-idle"

sway_session -- "xwayland enable" "output HEADLESS-1 resolution 1024x768 position 0 0"
E2E_DAEMON_LOG=$E2E_TMP/idle.log
# The session's keyboard, which sway gives the saver's window.
session_keyboard

lit() { lit_in HEADLESS-1 0 0 1024 768; }

# An empty desktop: sway's grey background (once sway has composed its first frame).
before=0
grey_before() { before=$(lit) && more_than "$before" 0.9; }
wait_for 5000 grey_before || fail "the desktop is not grey before the saver ($before)"
"${AS_USER[@]}" velmora-idle --timeout 3 >"$E2E_TMP/idle.log" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
no_saver_for 2 "before the idle time"
wait_savers 1 5
grep -qE "through (org_kde_kwin_idle|ext-idle-notify-v1)" "$E2E_TMP/idle.log" ||
    fail "not the compositor's idle protocol"
drive=0
drive_shown() { drive=$(lit) && awk -v v="$drive" 'BEGIN{exit !(v > 0.0005)}'; }
wait_for 5000 drive_shown || fail "the output shows no drive ($drive)"
echo "after the idle time: drive $drive"

wtype_to_saver Escape
key=$(now_us)
wait_savers 0 3
# sway's own grey background shows again. Judged after the quiet time, which counts from the
# key: on a loaded machine the judging alone can outlast the idle time.
after=0
grey_again() {
    user grim -o HEADLESS-1 "$E2E_HOME/after.png" &&
        after=$(lit_of "$E2E_HOME/after.png" 0 0 1024 768) &&
        awk -v v="$after" 'BEGIN{exit !(v > 0.9)}'
}
wait_for 1500 grey_again || fail "the saver still covers the output after the key ($after)"
no_saver_until $((key + 2000000)) "again before a full idle time"
# A deadline with room: beside other compositors' tests the next start came later than 4 s.
wait_savers 1 8
wait_for 5000 drive_shown || fail "the output shows no drive the second time ($drive)"
echo "after the next idle time: drive $drive"

kill -TERM "$daemon"
wait_exit "$daemon" 5000
wait_savers 0 3

# The compositor gone while the session may go on (a crash, a restart): the daemon fails, so that
# its systemd unit (Restart=on-failure) starts it again.
"${AS_USER[@]}" velmora-idle --timeout 600 >"$E2E_TMP/idle.log" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
watching() { grep -q "watching the idle time" "$E2E_TMP/idle.log"; }
wait_for 5000 watching || fail "velmora-idle did not start watching"
kill -TERM "$SWAY_PID"
wait_exit "$daemon" 5000
[[ $EXIT_CODE == 1 ]] || fail "velmora-idle's exit code $EXIT_CODE once sway had gone, not 1"
grep -q "^Restart=on-failure" "$E2E_DIR/../../idle/velmora-idle.service" ||
    fail "the systemd unit does not restart velmora-idle on failure"
echo "sway gone: velmora-idle failed with exit code 1, for its unit to restart it"
echo "PASS"
