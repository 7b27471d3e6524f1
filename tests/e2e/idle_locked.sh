#!/usr/bin/env bash
# velmora-idle under a locked session, on an X display (MIT-SCREEN-SAVER): while logind's
# LockedHint of the session is true (a stand-in on a private bus that stands for the system bus)
# or GNOME's screen shield is active (a stand-in on a private session bus, coming after the
# daemon), or KDE's org.freedesktop.ScreenSaver says it is active, no saver starts, however long
# the idle time; after the unlock, or once the shield has left the bus, it starts a full idle
# time later.
# Usage: idle_locked.sh VELMORA VELMORA_IDLE SESSIONBUS_PEER
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
idle_host_setup "$1" "$2" "$3"
talk session "${AS_USER[@]}" dbus-daemon --session --nofork --print-address
read -r -t 10 session_address <&"$session_out" || fail "the session bus did not start"
talk system "${AS_USER[@]}" dbus-daemon --session --nofork --print-address
read -r -t 10 system_address <&"$system_out" || fail "the stand-in system bus did not start"
AS_USER+=("DBUS_SESSION_BUS_ADDRESS=$session_address")

# logind's LockedHint, true from the start.
talk logind "${AS_USER[@]}" "DBUS_SESSION_BUS_ADDRESS=$system_address" sessionbus-peer login-session
read -r -t 5 word <&"$logind_out" && [[ $word == ready ]] || fail "the stand-in logind did not start"
"${AS_USER[@]}" "DBUS_SYSTEM_BUS_ADDRESS=$system_address" velmora-idle --timeout 2 \
    >"$E2E_TMP/idle.log" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
no_saver_for 5 "while logind says the session is locked"
tell logind "locked 0"
unlocked=$(now_us)
no_saver_until $((unlocked + 1500000)) "at once after the unlock"
wait_savers 1 5
echo "held off while logind's LockedHint was true; started $((($(now_us) - unlocked) / 1000)) ms after the unlock"
end_saver
# Locked again while waiting.
tell logind "locked 1"
no_saver_for 4 "while logind says the session is locked again"
tell logind "locked 0"
wait_savers 1 5
end_saver

kill -TERM "$daemon"
wait_exit "$daemon" 3000

# GNOME's screen shield, which comes onto the bus after the daemon has started (a shell that
# starts later, or restarts), already up (no logind this time).
"${AS_USER[@]}" velmora-idle --timeout 3 >"$E2E_TMP/idle.log" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
talk shield "${AS_USER[@]}" sessionbus-peer shield
read -r -t 5 word <&"$shield_out" && [[ $word == ready ]] || fail "the stand-in shield did not start"
no_saver_for 6 "while GNOME's screen shield is up"
tell shield "active 0"
wait_savers 1 5
echo "held off while GNOME's screen shield was up; started after it went down"
end_saver
tell shield "active 1"
no_saver_for 4 "while GNOME's screen shield is up again"
# A shield that leaves the bus holds nothing off any more.
exec {shield_in}>&-
wait_exit "$shield_pid" 3000
wait_savers 1 6
echo "started once the shield had left the bus"
end_saver

kill -TERM "$daemon"
wait_exit "$daemon" 3000

# KDE's locker, which serves org.freedesktop.ScreenSaver itself (so velmora-idle does not, and
# asks it instead), active when the daemon starts.
talk desktop "${AS_USER[@]}" sessionbus-peer desktop-saver
read -r -t 5 word <&"$desktop_out" && [[ $word == ready ]] || fail "the stand-in desktop saver did not start"
"${AS_USER[@]}" velmora-idle --timeout 2 >"$E2E_TMP/idle.log" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
no_saver_for 5 "while the desktop's screen saver says it is active"
grep -q "serving org.freedesktop.ScreenSaver" "$E2E_TMP/idle.log" &&
    fail "velmora-idle serves the name the desktop serves"
tell desktop "active 0"
wait_savers 1 5
echo "held off while the desktop's org.freedesktop.ScreenSaver was active; started after"
end_saver
kill -TERM "$daemon"
wait_exit "$daemon" 3000
echo "PASS"
