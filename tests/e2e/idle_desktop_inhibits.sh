#!/usr/bin/env bash
# velmora-idle beside a desktop that keeps the players' inhibits itself, on a private session bus
# and an X display (MIT-SCREEN-SAVER). KDE's power management policy agent (a stand-in) holds the
# saver off while it says the screen's settings are inhibited, whether it was there first or came
# later; once it says they are not (InhibitionsChanged), or leaves the bus, the saver comes a full
# idle time later. A desktop that takes org.freedesktop.ScreenSaver with replacement after
# velmora-idle has started gets it, and answers the players' Inhibit itself; the inhibits
# velmora-idle held go with the name, and the desktop's lock state is followed from then on. On
# GNOME and KDE velmora-idle leaves the name to the desktop's own service, which asks for it
# without replacing an owner. No question of velmora-idle has the bus start a program.
# Usage: idle_desktop_inhibits.sh VELMORA VELMORA_IDLE SESSIONBUS_PEER
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
idle_host_setup "$1" "$2" "$3"
# The bus's own log says which programs it started for whom.
talk bus "${AS_USER[@]}" sh -c 'exec dbus-daemon --session --nofork --print-address 2>"$0"' \
    "$XDG_RUNTIME_DIR/bus.log"
read -r -t 10 address <&"$bus_out" || fail "dbus-daemon did not start"
AS_USER+=("DBUS_SESSION_BUS_ADDRESS=$address")
# start_daemon [NAME=VALUE...] -- OPTION...: velmora-idle in the session, its log in idle.log.
start_daemon() {
    local environment=()
    while [[ $1 != -- ]]; do
        environment+=("$1")
        shift
    done
    shift
    # Without the stand-ins' pipes: a stand-in whose input is closed must see its end.
    (
        for fd in /proc/$BASHPID/fd/*; do
            fd=${fd##*/}
            ((fd > 2)) && eval "exec $fd>&-"
        done
        exec "${AS_USER[@]}" "${environment[@]}" velmora-idle "$@" >"$E2E_DAEMON_LOG" 2>&1
    ) &
    daemon=$!
    E2E_PIDS+=($daemon)
    wait_for 5000 grep -q "watching the idle time" "$E2E_DAEMON_LOG" || {
        cat "$E2E_DAEMON_LOG" >&2
        fail "velmora-idle did not start"
    }
}
stop_daemon() {
    kill -TERM "$daemon"
    wait_exit "$daemon" 3000
}

# The policy agent is there first, with the screen's settings inhibited (a film in a browser).
talk agent "${AS_USER[@]}" sessionbus-peer policy-agent
ready agent
start_daemon -- --timeout 2
no_saver_for 5 "while the policy agent says the screen's settings are inhibited"
tell agent "held 0"
lifted=$(now_us)
no_saver_until $((lifted + 1500000)) "at once when the policy agent's inhibition ended"
wait_savers 1 5
echo "held off while the policy agent said inhibited; started $((($(now_us) - lifted) / 1000)) ms" \
    "after InhibitionsChanged (idle time 2000 ms)"
end_saver
# Held against suspending only (InterruptSession): not the saver's business.
tell agent "held 1"
wait_savers 1 5
echo "started while only suspending was inhibited"
end_saver
tell agent "held 5"
no_saver_for 4 "while the policy agent says inhibited again"
# An agent that leaves the bus holds nothing off any more.
exec {agent_in}>&-
wait_exit "$agent_pid" 3000
gone=$(now_us)
no_saver_until $((gone + 1500000)) "at once when the policy agent left"
wait_savers 1 5
echo "started $((($(now_us) - gone) / 1000)) ms after the policy agent left the bus"
end_saver
stop_daemon

# The agent comes onto the bus after velmora-idle (Plasma starting PowerDevil later).
start_daemon -- --timeout 3
talk agent2 "${AS_USER[@]}" sessionbus-peer policy-agent
ready agent2
no_saver_for 6 "while a policy agent that came later says inhibited"
tell agent2 "held 0"
wait_savers 1 6
echo "held off by a policy agent that came after the daemon"
end_saver
exec {agent2_in}>&-
wait_exit "$agent2_pid" 3000
stop_daemon

# Another desktop: velmora-idle serves the name, until a desktop's service replaces it.
start_daemon -- --timeout 3
# (The start's line may still be being written: waited for whole.)
wait_for 3000 grep -q "serving org.freedesktop.ScreenSaver" "$E2E_DAEMON_LOG" || fail "not serving the name"
talk player "${AS_USER[@]}" sessionbus-peer inhibit
read -r -t 5 word cookie <&"$player_out" && [[ $word == ready ]] || fail "Inhibit failed"
((cookie < 9000)) || fail "cookie $cookie came from no stand-in desktop yet"
talk desktop "${AS_USER[@]}" sessionbus-peer screensaver-desktop replace
ready desktop
wait_for 3000 grep -q "another program has taken org.freedesktop.ScreenSaver.*1 held here lifted" \
    "$E2E_DAEMON_LOG" || fail "velmora-idle did not hear that it lost the name"
# A player's Inhibit now reaches the desktop alone: velmora-idle holds nothing, not even the
# inhibit it held before, whose client is still on the bus.
talk player2 "${AS_USER[@]}" sessionbus-peer inhibit
read -r -t 5 word cookie <&"$player2_out" && [[ $word == ready ]] || fail "Inhibit to the desktop failed"
((cookie >= 9000)) || fail "velmora-idle answered Inhibit (cookie $cookie) after losing the name"
wait_savers 1 6
echo "the desktop took org.freedesktop.ScreenSaver with replacement and answered Inhibit" \
    "(cookie $cookie); velmora-idle held nothing"
end_saver
# Its lock state is the desktop's now, no longer the saver's own: followed as KDE's is.
tell desktop "active 1"
no_saver_for 5 "while the desktop that took the name says it is locked"
tell desktop "active 0"
wait_savers 1 6
echo "followed the lock state of the desktop that took the name"
end_saver
exec {player_in}>&- {player2_in}>&- {desktop_in}>&-
wait_exit "$desktop_pid" 3000
stop_daemon

# GNOME's proxy queues behind an owner and KDE's locker gives up: velmora-idle leaves them the
# name, so each gets it whenever it starts.
for session in ubuntu:GNOME KDE; do
    start_daemon "XDG_CURRENT_DESKTOP=$session" -- --timeout 30
    wait_for 3000 grep -q "leaving org.freedesktop.ScreenSaver to" "$E2E_DAEMON_LOG" ||
        fail "velmora-idle took the name on $session"
    if [[ $session == KDE ]]; then how=plain; else how=queue; fi
    talk "own_$how" "${AS_USER[@]}" sessionbus-peer screensaver-desktop "$how"
    ready "own_$how"
    echo "on $session the desktop's own service ($how) got org.freedesktop.ScreenSaver after velmora-idle started"
    in=own_${how}_in
    eval "exec {$in}>&-"
    stop_daemon
done
# Asking a program that is not running starts nothing (where gnome-shell is installed, its
# org.gnome.ScreenSaver would be started by the bus outside GNOME).
if grep "Activating" "$XDG_RUNTIME_DIR/bus.log" >&2; then
    fail "velmora-idle had the bus start a program"
fi
echo "PASS"
