#!/usr/bin/env bash
# velmora-idle under KWin's own Wayland session (kwin_wayland --virtual, two 1024x768 outputs, the
# second made primary), on a session bus of its own, as Plasma runs it (XDG_CURRENT_DESKTOP=KDE).
# KWin's idle protocol starts the saver after the idle time and the drive shows on the primary
# output; input through KWin's fake input ends it, and the next saver comes a full idle time
# later. While KDE's power management policy agent (a stand-in: PowerDevil does not run here)
# says the screen's settings are inhibited, as it does for a player, no saver starts; one comes
# an idle time after the agent lets go. The saver's X11 backend, through KWin's Xwayland, ends on
# a key as well, and a window opened over it never leaves it deaf to the keys. With KWin gone,
# velmora-idle fails, for its systemd unit to start it again; its idle protocol needs none of the
# permissions this test's own programs are given.
# Printed: the idle time asked against the saver's appearance, input to the saver's end, and the
# inhibition's end to the saver.
# Usage: idle_kwin.sh VELMORA VELMORA_IDLE FAKEINPUT KWINSHOT SESSIONBUS_PEER WINDOW
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
require_programs kwin_wayland kscreen-doctor Xwayland dbus-daemon
host_user_setup "$1"
cp "$2" "$E2E_BIN/velmora-idle"
cp "$3" "$E2E_BIN/velmora-e2e-fakeinput"
cp "$4" "$E2E_BIN/velmora-e2e-kwinshot"
cp "$5" "$E2E_BIN/sessionbus-peer"
cp "$6" "$E2E_BIN/velmora-e2e-window"
# Debian's kwin_wayland carries file capabilities, which a container may refuse to execute.
cp "$(command -v kwin_wayland)" "$E2E_BIN/kwin_wayland"
chmod a+rx "$E2E_BIN"/*
E2E_DAEMON_LOG=$E2E_TMP/idle.log

talk sessionbus "${AS_USER[@]}" dbus-daemon --session --nofork --print-address \
    "--address=unix:path=$XDG_RUNTIME_DIR/bus"
read -r -t 10 session_bus <&"$sessionbus_out" || fail "the session bus did not start"
AS_USER+=("DBUS_SESSION_BUS_ADDRESS=$session_bus" WAYLAND_DISPLAY=wayland-kwin
    QT_QPA_PLATFORM=wayland XDG_CURRENT_DESKTOP=KDE)

# start_kwin [NAME=VALUE...]: KWin with Xwayland, waited for until the program it starts once both
# are up has written Xwayland's display; sets kwin_pid and x_display.
start_kwin() {
    rm -f "$XDG_RUNTIME_DIR/kwin-x" "$XDG_RUNTIME_DIR"/wayland-kwin*
    # (KWin splits each program's command line itself.)
    printf '#!/bin/sh\necho "$DISPLAY" >"$XDG_RUNTIME_DIR/kwin-x"\n' >"$E2E_BIN/say-x-display"
    chmod a+rx "$E2E_BIN/say-x-display"
    "${AS_USER[@]}" "$@" kwin_wayland --virtual --output-count 2 --width 1024 --height 768 \
        --socket wayland-kwin --no-lockscreen --no-global-shortcuts --xwayland \
        say-x-display >"$E2E_TMP/kwin.log" 2>&1 &
    kwin_pid=$!
    E2E_PIDS+=($kwin_pid)
    wait_for 30000 test -s "$XDG_RUNTIME_DIR/kwin-x" ||
        { cat "$E2E_TMP/kwin.log" >&2; fail "KWin did not start, or started no Xwayland"; }
    x_display=$(cat "$XDG_RUNTIME_DIR/kwin-x")
}
# KWin as Plasma runs it, checking what it grants: velmora-idle needs no permission for its idle
# protocol. KWin gone (a crash; Plasma starts it again): the daemon fails, for its unit to
# restart it.
start_kwin
"${AS_USER[@]}" velmora-idle --timeout 600 >"$E2E_DAEMON_LOG" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
wait_for 5000 grep -q "watching the idle time" "$E2E_DAEMON_LOG" || fail "velmora-idle did not start"
which=$(grep -oE "through (ext-idle-notify-v1|org_kde_kwin_idle)" "$E2E_DAEMON_LOG") ||
    fail "not KWin's idle protocol"
echo "velmora-idle watches the idle time $which"
grep -q "leaving org.freedesktop.ScreenSaver to KDE" "$E2E_DAEMON_LOG" ||
    fail "velmora-idle took org.freedesktop.ScreenSaver from Plasma"
kill -TERM "$kwin_pid"
wait_exit "$daemon" 5000
[[ $EXIT_CODE == 1 ]] || fail "velmora-idle's exit code $EXIT_CODE once KWin had gone, not 1"
grep -q "^Restart=on-failure" "$E2E_DIR/../../idle/velmora-idle.service" ||
    fail "the systemd unit does not restart velmora-idle on failure"
echo "KWin gone: velmora-idle failed with exit code 1, for its unit to restart it"
wait_exit "$kwin_pid" 5000

# From here the permission checks are off: this test's own programs take screenshots and type.
start_kwin KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 KWIN_WAYLAND_NO_PERMISSION_CHECKS=1
kwin_up() { user velmora-e2e-kwinshot --workspace "$E2E_HOME/shot.ppm" 2>/dev/null; }
wait_for 10000 kwin_up || fail "KWin takes no screenshots"

kwin_second_primary

# The drive's stars on the primary output.
drive_shown() { more_than "$(kwin_lit "$second" 0 60 1024 200)" 0.00005; }

talk input "${AS_USER[@]}" velmora-e2e-fakeinput
input() {
    echo "$*" >&"$input_in"
    local answer
    read -r -t 5 answer <&"$input_out" && [[ $answer == ok ]] || fail "fake input did not do '$*'"
}
# The pointer rests over the drive, where the saver takes its motion (the black cover of the other
# output takes only buttons and keys).
input at $((layout_x + 500)) 300
ms_since() { echo $((($(now_us) - $1) / 1000)); }

# saver_comes WHAT SINCE SECONDS: waits for one saver and for the drive on the primary output;
# prints how long after SINCE each came, against the idle time asked.
saver_comes() {
    wait_savers 1 "$3"
    local started
    started=$(ms_since "$2")
    wait_for 5000 drive_shown || fail "no drive on the primary output $second ($1)"
    echo "$1: saver started $started ms, drive shown $(ms_since "$2") ms after (idle time ${timeout}000 ms)"
}
# end_by_input ACTION...: fake input ends the saver; the other output is black until then.
end_by_input() {
    [[ $(kwin_lit "$first" 0 0 1024 768) == 0 ]] || fail "the other output is not black under the saver"
    local before
    before=$(now_us)
    input "$@"
    wait_savers 0 3
    echo "input ($*) to the saver's end: $(ms_since "$before") ms"
    wait_for 5000 eval '! drive_shown' || fail "the drive outlives the saver"
    ended=$before
}

timeout=3
"${AS_USER[@]}" velmora-idle --timeout $timeout >"$E2E_DAEMON_LOG" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
started=$(now_us)
wait_for 5000 grep -q "watching the idle time $which" "$E2E_DAEMON_LOG" || fail "velmora-idle did not start"
no_saver_until $((started + (timeout - 1) * 1000000)) "before the idle time"
saver_comes "first idle time" "$started" $((timeout + 5))
end_by_input key 1
# KWin's idle time counts from the input: no saver for the next idle time, then one.
no_saver_until $((ended + (timeout - 1) * 1000000)) "again before a full idle time after the key"
saver_comes "after the key" "$ended" $((timeout + 6))
# A move of the pointer ends it as well (a hand's: more than one motion, as the first position the
# saver sees is where the pointer rests), and the idle time starts over.
end_by_input by 3 3 by 3 3
saver_comes "after the pointer's move" "$ended" $((timeout + 6))
end_by_input key 57

# A player's inhibit, which Plasma keeps in PowerDevil's policy agent: held off while the agent
# says the screen's settings are inhibited, there before the idle time is up.
talk agent "${AS_USER[@]}" sessionbus-peer policy-agent
ready agent
no_saver_until $((ended + (2 * timeout + 1) * 1000000)) "while the policy agent says inhibited"
tell agent "held 0"
released=$(now_us)
no_saver_until $((released + (timeout - 1) * 1000000)) "at once when the inhibition ended"
saver_comes "inhibition's end" "$released" $((timeout + 6))
end_by_input key 1
# Inhibited again while the saver is away; released by the agent leaving the bus.
tell agent "held 4"
no_saver_until $((ended + (2 * timeout + 1) * 1000000)) "while the policy agent says inhibited again"
exec {agent_in}>&-
wait_exit "$agent_pid" 3000
gone=$(now_us)
saver_comes "policy agent's leaving" "$gone" $((timeout + 6))
end_by_input key 1
kill -TERM "$daemon"
wait_exit "$daemon" 5000

# The saver's X11 backend, through KWin's Xwayland: a key ends it too.
x11_saver() {
    "${AS_USER[@]}" "DISPLAY=$x_display" velmora /s --x11 2>"$E2E_TMP/saver.err" &
    pid=$!
    E2E_PIDS+=($pid)
    wait_for 8000 drive_shown ||
        { cat "$E2E_TMP/saver.err" >&2; fail "no drive from the X11 backend on $second"; }
    running "$pid" || fail "the X11 saver ended by itself"
    [[ $(kwin_lit "$first" 0 0 1024 768) == 0 ]] || fail "the other output is not black under the X11 saver"
}
x11_saver
before=$(now_us)
input key 1
wait_exit "$pid" 3000
echo "Xwayland ($x_display): key to the X11 saver's end: $(ms_since "$before") ms"
[[ $EXIT_CODE == 0 ]] || fail "the X11 saver's exit code $EXIT_CODE after a key: $(cat "$E2E_TMP/saver.err")"
# A window that opens while it runs, and that KWin may give the keyboard: the saver is never
# left there deaf to the keys.
x11_saver
talk late "${AS_USER[@]}" velmora-e2e-window 300 200
read -r -t 10 shown <&"$late_out" && [[ $shown == shown ]] || fail "the late window did not show"
if wait_for 3000 eval '! running "$pid"'; then
    wait_exit "$pid" 0
    echo "late window: the X11 saver ended as it lost the keyboard (exit code $EXIT_CODE)"
else
    input key 1
    wait_exit "$pid" 3000
    echo "late window: the X11 saver stayed and a key ended it (exit code $EXIT_CODE)"
fi
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a window opened over the X11 saver"

echo "PASS"
