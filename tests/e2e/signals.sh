#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP end the program within two seconds in every state, as a process
# ended by that signal: the saver's error box up, the settings dialog open (nothing written),
# the dialog's own error box and its colour picker up, and any moment of the saver's start while
# it reads a large settings file; the box goes with it and the display mode comes back.
# Usage: signals.sh VELMORA RANDRMODE
source "$(dirname "$0")/lib.sh"
VELMORA=$1
RANDRMODE=$2
start_xvfb 1280x1024
"$RANDRMODE" add 640 480
reg=$XDG_CONFIG_HOME/velmora/user.reg

# ended_by SIGNAL WHAT: the last wait_exit saw a process ended by SIGNAL.
ended_by() {
    [[ $EXIT_CODE == $((128 + $(kill -l "$1"))) ]] ||
        fail "$2: exit code $EXIT_CODE, not that of SIG$1"
}

# none_shown WHAT NAME...: no mapped window of any of these names is left.
none_shown() {
    local what=$1 name
    shift
    for name in "$@"; do
        [[ -z $(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null) ]] ||
            fail "$what: a window named $name is still shown"
    done
}

# signal_after_window SIGNAL NAME WHAT ARGS...: starts velmora ARGS, waits for window NAME, sends
# SIGNAL and expects the end within two seconds.
signal_after_window() {
    local sig=$1 name=$2 what=$3
    shift 3
    "$VELMORA" "$@" 2>"$E2E_TMP/stderr" &
    local pid=$!
    E2E_PIDS+=($pid)
    wait_window "$name" 10 >/dev/null
    sleep 0.3
    kill -"$sig" "$pid"
    wait_exit "$pid" 2000
    ended_by "$sig" "$what"
    none_shown "$what" "$name"
}

# The saver's report of a bad stored value.
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"road_Color"="notacolor"\r\n' >"$reg"
for sig in TERM INT HUP; do
    signal_after_window "$sig" Velmora "saver's error box, SIG$sig" /s
done

# The dialog's report of the same value, then the dialog itself: nothing is written.
before=$(md5sum <"$reg")
signal_after_window TERM Velmora "dialog's error box" /c
none_shown "dialog's error box" '設定'
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"Speed"="40"\r\n' >"$reg"
before=$(md5sum <"$reg")
for sig in TERM HUP; do
    signal_after_window "$sig" '設定' "dialog, SIG$sig" /c
    [[ $(md5sum <"$reg") == "$before" ]] || fail "the dialog wrote on SIG$sig"
done

# The colour picker, a loop inside the dialog's loop.
echo "colour picker"
"$VELMORA" /c &
pid=$!
E2E_PIDS+=($pid)
dialog=$(wait_window '設定' 10)
xdotool windowfocus --sync "$dialog"
sleep 0.3
for _ in 1 2 3 4 5 6 7; do xdotool key Tab; sleep 0.05; done
xdotool key space
picker_shown() { [[ $(xdotool search --onlyvisible --name '.' 2>/dev/null | wc -l) -ge 2 ]]; }
wait_for 5000 picker_shown || fail "no colour picker shown"
kill -TERM "$pid"
wait_exit "$pid" 2000
ended_by TERM "colour picker"
[[ -z $(xdotool search --onlyvisible --name '.' 2>/dev/null) ]] || fail "colour picker: windows left"
[[ $(md5sum <"$reg") == "$before" ]] || fail "the dialog wrote after the colour picker"

echo "start"
# Any moment of the start, with a settings file of nearly the size limit and DispMode 1: the
# display comes back to its own size every time.
{
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"DispMode"="1"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Other]\r\n'
    for i in $(seq 1 2000); do printf '"v%d"="%0200d"\r\n' "$i" 0; done
} >"$E2E_TMP/block"
for _ in $(seq 1 36); do cat "$E2E_TMP/block"; done >"$reg"
for delay in 0 0.02 0.05 0.1 0.2 0.3 0.5 0.8 1.2; do
    "$VELMORA" /s 2>"$E2E_TMP/stderr" &
    pid=$!
    E2E_PIDS+=($pid)
    sleep "$delay"  # the signal comes at every stage of the start, whatever stage that is
    kill -TERM "$pid"
    wait_exit "$pid" 2000
    ended_by TERM "start, SIGTERM after $delay s"
    none_shown "start, SIGTERM after $delay s" Velmora
    end=$((SECONDS + 3))
    until [[ $("$RANDRMODE" size) == 1280x1024 ]]; do
        ((SECONDS > end)) && fail "start, SIGTERM after $delay s: display left at $("$RANDRMODE" size)"
        sleep 0.05
    done
done
echo "PASS"
