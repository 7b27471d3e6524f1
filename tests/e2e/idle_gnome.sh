#!/usr/bin/env bash
# velmora-idle on a private session bus: a stand-in for GNOME's idle monitor gives the idle time,
# and velmora-idle serves org.freedesktop.ScreenSaver. An Inhibit keeps the saver away until
# UnInhibit; another client's UnInhibit of that cookie lifts nothing; a client that leaves the
# bus takes its inhibit with it. GNOME's session inhibit of the idle state holds it off as well.
# Inhibits over the bounds are refused with LimitsExceeded and long texts cost the daemon little;
# peers that never answer (a session manager, an idle monitor) delay neither the saver nor
# SIGTERM, nor does a crowd of 1000 inhibiting clients leaving at once.
# Usage: idle_gnome.sh VELMORA VELMORA_IDLE SESSIONBUS_PEER
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
idle_host_setup "$1" "$2" "$3"
session_bus_setup
input() { user sessionbus-peer input || fail "ResetIdletime failed"; }
# asked NAME N: true once the silent stand-in NAME has said it was asked N times (reads its lines).
asked() {
    local out=${1}_out count=${1}_asked word n
    while read -r -t 0.05 word n <&"${!out}"; do
        [[ $word == asked ]] && printf -v "$count" %s "$n"
    done
    ((${!count:-0} >= $2))
}
# crowd NAME CLIENTS EACH [BYTES]: sessionbus-peer's crowd as NAME; checks that it held HELD and
# was refused REFUSED (set before), with LimitsExceeded when any was.
crowd() {
    local out word held refused error
    talk "$1" "${AS_USER[@]}" sessionbus-peer crowd "${@:2}"
    out=${1}_out
    read -r -t 20 word held refused error <&"${!out}" && [[ $word == ready ]] ||
        fail "crowd $* did not get its answers"
    echo "crowd of $2 clients x $3 inhibits${4:+ with texts of $4 bytes}: $held held, $refused refused ($error)"
    ((held == HELD && refused == REFUSED)) || fail "expected $HELD held and $REFUSED refused"
    ((refused == 0)) || [[ $error == org.freedesktop.DBus.Error.LimitsExceeded ]] ||
        fail "refused with $error, not LimitsExceeded"
}
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

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

# Bounds: 32 inhibits per client, 1024 in all; one over them is refused with LimitsExceeded and
# holds nothing. Texts are stored cut: 32 inhibits with 1 MiB texts would hold 64 MiB uncut.
# (Inhibited while the saver shows: it starts no other after the input.)
before=$(rss_kb "$daemon")
HELD=32 REFUSED=0 crowd long 1 32 1048576
after=$(rss_kb "$daemon")
echo "32 inhibits with 1 MiB texts: the daemon's RSS grew by $((after - before)) kB"
((after - before < 16384)) || fail "the long texts are held whole ($((after - before)) kB more)"
HELD=32 REFUSED=1 crowd one 1 33
HELD=960 REFUSED=64 crowd many 32 32
end_saver input
no_saver_for 3 "while 1024 inhibits are held"
exec {long_in}>&- {one_in}>&- {many_in}>&-
wait_exit "$long_pid" 3000
wait_exit "$one_pid" 3000
wait_exit "$many_pid" 3000
wait_savers 1 6
echo "the saver came once the 34 inhibiting clients had left"

# A peer that owns the session manager's name, never answers and keeps saying its properties
# changed: the saver still starts after the idle time, the daemon still ends at once on SIGTERM
# and still serves the bus.
talk silent "${AS_USER[@]}" sessionbus-peer silent-session
read -r -t 5 word <&"$silent_out" && [[ $word == ready ]] || fail "the silent session manager did not start"
end_saver input
start=$(now_us)
wait_savers 1 5
echo "the saver started $((($(now_us) - start) / 1000)) ms after the input (idle time 2 s) beside a peer that does not answer"
# Its flags have been asked for again and again, each read unanswered.
wait_for 8000 asked silent 2 || fail "the session manager was asked ${silent_asked:-0} times, not twice"
end_saver input
start=$(now_us)
talk player3 "${AS_USER[@]}" sessionbus-peer inhibit
read -r -t 3 word cookie <&"$player3_out" && [[ $word == ready ]] ||
    fail "Inhibit was not answered within 3 s beside a peer that does not answer"
echo "Inhibit answered in $((($(now_us) - start) / 1000)) ms beside a peer that does not answer"
exec {player3_in}>&-
start=$(now_us)
kill -TERM "$daemon"
wait_exit "$daemon" 2000
echo "SIGTERM ended the daemon in $((($(now_us) - start) / 1000)) ms beside a peer that does not answer"
wait_savers 0 3
exec {silent_in}>&-
wait_exit "$silent_pid" 3000

# start_daemon: velmora-idle again, its log in idle2.log; sets daemon.
start_daemon() {
    E2E_DAEMON_LOG=$E2E_TMP/idle2.log
    "${AS_USER[@]}" velmora-idle --timeout 2 >"$E2E_DAEMON_LOG" 2>&1 &
    daemon=$!
    E2E_PIDS+=($daemon)
}

# A crowd of 1000 clients asking for 100 inhibits each (the daemon holds 1024 of them) leaves the
# bus at once: SIGTERM right after is still answered within a second. (Unbounded, with each
# client's leaving a look through every inhibit and the whole queue read before the signal, it
# took 2 s here.)
start_daemon
wait_for 5000 grep -q "serving org.freedesktop.ScreenSaver" "$E2E_DAEMON_LOG" || fail "the daemon did not start again"
start=$(now_us)
HELD=1024 REFUSED=98976 crowd leaving 1000 100
echo "(the crowd's calls took $((($(now_us) - start) / 1000)) ms)"
exec {leaving_in}>&-
wait_exit "$leaving_pid" 5000
start=$(now_us)
kill -TERM "$daemon"
wait_exit "$daemon" 1000
echo "SIGTERM ended the daemon in $((($(now_us) - start) / 1000)) ms as 1000 clients holding 1024 inhibits left"

# An idle monitor that never answers: the daemon does not wait for it to start, and ends at once
# on SIGTERM while its first question to it is unanswered.
kill "$monitor_pid"
wait_exit "$monitor_pid" 3000
talk mute "${AS_USER[@]}" sessionbus-peer silent-idle-monitor
ready mute
start=$(now_us)
start_daemon
wait_for 1000 grep -q "watching the idle time" "$E2E_DAEMON_LOG" ||
    fail "the daemon waited for an idle monitor that does not answer"
echo "started in $((($(now_us) - start) / 1000)) ms beside an idle monitor that does not answer"
grep -q "through GNOME's idle monitor" "$E2E_DAEMON_LOG" || fail "not GNOME's idle monitor"
wait_for 3000 asked mute 1 || fail "the idle monitor was never asked"
start=$(now_us)
kill -TERM "$daemon"
wait_exit "$daemon" 1000
echo "SIGTERM ended the daemon in $((($(now_us) - start) / 1000)) ms with its question to the idle monitor unanswered"
echo "PASS"
