#!/usr/bin/env bash
# velmora-idle on a private session bus: a stand-in for GNOME's idle monitor gives the idle time,
# and velmora-idle serves org.freedesktop.ScreenSaver. An Inhibit keeps the saver away until
# UnInhibit; another client's UnInhibit of that cookie lifts nothing; a client that leaves the
# bus takes its inhibit with it. GNOME's session inhibit of the idle state holds it off as well.
# Usage: idle_gnome.sh VELMORA VELMORA_IDLE SESSIONBUS_PEER
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
idle_host_setup "$1" "$2" "$3"
session_bus_setup
input() { user sessionbus-peer input || fail "ResetIdletime failed"; }

talk monitor "${AS_USER[@]}" sessionbus-peer idle-monitor
read -r -t 10 word <&"$monitor_out" && [[ $word == ready ]] || fail "the idle monitor did not start"

"${AS_USER[@]}" velmora-idle --timeout 2 >"$E2E_TMP/idle.log" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
wait_savers 1 5
grep -q "through GNOME's idle monitor" "$E2E_TMP/idle.log" || fail "not GNOME's idle monitor"
grep -q "serving org.freedesktop.ScreenSaver" "$E2E_TMP/idle.log" || fail "not serving the inhibit name"
end_saver input
no_saver_for 1 "again before a full idle time"
wait_savers 1 4
echo "the idle monitor starts the saver, again after input"
end_saver input

# A video player's inhibit: no saver, however long the idle time.
talk player "${AS_USER[@]}" sessionbus-peer inhibit
read -r -t 5 word cookie <&"$player_out" && [[ $word == ready ]] || fail "Inhibit failed"
talk other "${AS_USER[@]}" sessionbus-peer inhibit
read -r -t 5 word other <&"$other_out" && [[ $word == ready ]] || fail "the second Inhibit failed"
[[ $cookie != "$other" ]] || fail "two inhibits got the same cookie $cookie"
echo "uninhibit $other" >&"$other_in"
read -r -t 5 word <&"$other_out" && [[ $word == done ]] || fail "UnInhibit failed"
# The first player's cookie, tried by another client: not lifted.
echo "uninhibit $cookie" >&"$other_in"
read -r -t 5 word <&"$other_out"
no_saver_for 5 "while a player inhibits it"
echo "uninhibit $cookie" >&"$player_in"
read -r -t 5 word <&"$player_out" && [[ $word == done ]] || fail "UnInhibit of the player failed"
no_saver_for 1 "at once when the inhibit was lifted"
wait_savers 1 4
echo "inhibited for 5 s; started after UnInhibit"
end_saver input

# A player that leaves the bus without UnInhibit.
talk player2 "${AS_USER[@]}" sessionbus-peer inhibit
read -r -t 5 word cookie <&"$player2_out" && [[ $word == ready ]] || fail "Inhibit failed"
no_saver_for 4 "while the second player inhibits it"
exec {player2_in}>&-
wait_exit "$player2_pid" 3000
wait_savers 1 5
echo "started after the inhibiting client left the bus"

# GNOME's session manager inhibiting the idle state (InhibitedActions bit 8): no saver until the
# flag is cleared, or until the session manager has gone.
talk session "${AS_USER[@]}" sessionbus-peer session
read -r -t 5 word <&"$session_out" && [[ $word == ready ]] || fail "the session manager did not start"
sleep 0.5
end_saver input
no_saver_for 4 "while the session inhibits the idle state"
echo "flags 0" >&"$session_in"
read -r -t 5 word <&"$session_out" && [[ $word == done ]] || fail "the flags were not changed"
wait_savers 1 5
end_saver input
echo "flags 8" >&"$session_in"
read -r -t 5 word <&"$session_out" && [[ $word == done ]] || fail "the flags were not changed"
no_saver_for 4 "while the session inhibits the idle state again"
exec {session_in}>&-
wait_exit "$session_pid" 3000
wait_savers 1 5
echo "held off by the session's idle inhibit until it was cleared, and until the session manager left"

# A peer that owns the session manager's name, never answers and keeps saying its properties
# changed: the daemon still ends at once on SIGTERM and still serves the bus.
talk silent "${AS_USER[@]}" sessionbus-peer silent-session
read -r -t 5 word <&"$silent_out" && [[ $word == ready ]] || fail "the silent session manager did not start"
end_saver input
sleep 1.5  # a few of its signals have come, each a read that is never answered
talk player3 "${AS_USER[@]}" sessionbus-peer inhibit
read -r -t 3 word cookie <&"$player3_out" && [[ $word == ready ]] ||
    fail "Inhibit was not answered within 3 s beside a peer that does not answer"
exec {player3_in}>&-
start=$(now_us)
kill -TERM "$daemon"
wait_exit "$daemon" 2000
echo "SIGTERM ended the daemon in $((($(now_us) - start) / 1000)) ms beside a peer that does not answer"
wait_savers 0 3
exec {silent_in}>&-
echo "PASS"
