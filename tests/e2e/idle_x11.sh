#!/usr/bin/env bash
# velmora-idle on an X display (MIT-SCREEN-SAVER): the saver starts after the idle time and not
# before, a key ends it and it starts again after the next idle time; one daemon per session; a
# change to the settings file switches it off without a restart; a bad delay is reported once and
# the default used; SIGTERM ends the daemon and its saver; a saver that fails is reported and not
# started again in a loop; while an XScreenSaver daemon runs it
# steps aside, and takes over again when that one has gone.
# Usage: idle_x11.sh VELMORA VELMORA_IDLE
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
command -v xscreensaver >/dev/null || fail "xscreensaver is not installed (scripts/deps.sh)"
host_user_setup "$1"
cp "$2" "$E2E_BIN/velmora-idle"
chmod a+rx "$E2E_BIN/velmora-idle"
start_xvfb 800x600
AS_USER+=("DISPLAY=$DISPLAY")
reg=$XDG_CONFIG_HOME/velmora/user.reg
# A failure shows what the daemon said.
E2E_DAEMON_LOG=$E2E_TMP/idle.log
# desktop NAME VALUE...: the settings file with these values of the desktop's key.
desktop() {
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n'
        while (($#)); do printf '"%s"="%s"\r\n' "$1" "$2"; shift 2; done
    } >"$reg.new"
    mv "$reg.new" "$reg"
}
# start_daemon ARGS...: sets daemon to its PID, its log in $E2E_TMP/idle.log.
start_daemon() {
    "${AS_USER[@]}" velmora-idle "$@" >"$E2E_TMP/idle.log" 2>&1 &
    daemon=$!
    E2E_PIDS+=($daemon)
}

# A start that finds the session's lock file held by another start (two racing) does not run
# beside it: it says so and ends, rather than running without the lock.
lock=$XDG_RUNTIME_DIR/velmora-idle.$DISPLAY.instance
# (-o: flock itself holds the lock, so that ending it releases the lock.)
"${AS_USER[@]}" flock -o -s "$lock" sleep 30 &
holder=$!
E2E_PIDS+=($holder)
until [[ -e $lock ]] && ! flock -n -x "$lock" true; do sleep 0.02; done
code=0
out=$(timeout 5 "${AS_USER[@]}" velmora-idle --timeout 100 2>&1) || code=$?
[[ $code == 1 ]] || fail "a daemon that could not take the lock: exit code $code ($out)"
grep -q "^velmora-idle: .*instance" <<<"$out" || fail "no word on the lock: $out"
kill "$holder"
wait "$holder" || true

start_daemon --timeout 3
no_saver_for 2 "before the idle time"
wait_savers 1 4
saver=$(saver_pids)
[[ $(awk '{print $4}' "/proc/$saver/stat") == "$daemon" ]] || fail "the saver is not the daemon's child"
wait_for 5000 lit_over 0.0001 0 0 800 600 || fail "the saver draws nothing ($(lit_fraction 0 0 800 600))"

key_to_saver a
wait_savers 0 3
no_saver_for 2 "again before a full idle time"
wait_savers 1 4
echo "started again after the next idle time"

out=$(user velmora-idle --timeout 3 2>&1) || fail "a second daemon failed: $out"
grep -q "already runs" <<<"$out" || fail "a second daemon for the session: $out"

# Switched off in the file while the saver runs: it is not started again.
desktop ScreenSaveActive 0 ScreenSaveTimeOut 3
wait_window Velmora 5 >/dev/null
wait_for 5000 lit_over 0.0001 0 0 800 600 || fail "the saver draws nothing"
key_to_saver a
wait_savers 0 3
no_saver_for 5 "while ScreenSaveActive is 0"
desktop ScreenSaveActive 1 ScreenSaveTimeOut 3
wait_savers 1 6
echo "switched off and on through the file"

# SIGTERM: the daemon ends its saver and itself.
kill -TERM "$daemon"
wait_exit "$daemon" 5000
wait_savers 0 3

# A bad delay in the file: reported once however often the file is rewritten, the default used.
desktop ScreenSaveTimeOut abc
start_daemon
reported() { grep -q 'ScreenSaveTimeOut "abc"' "$E2E_TMP/idle.log"; }
wait_for 5000 reported || { cat "$E2E_TMP/idle.log"; fail "the bad delay was not reported"; }
desktop ScreenSaveTimeOut abc ScreenSaveActive 1
# Meanwhile the daemon reads the rewritten file, and would report it again if it were wrong.
no_saver_for 3 "with the default delay of ten minutes"
n=$(grep -c 'ScreenSaveTimeOut "abc"' "$E2E_TMP/idle.log" || true)
[[ $n == 1 ]] || { cat "$E2E_TMP/idle.log"; fail "the bad delay was reported $n times"; }
grep -q "after 600 s" "$E2E_TMP/idle.log" || fail "not the default delay: $(cat "$E2E_TMP/idle.log")"
# A delay holding terminal controls and Shift-JIS bytes ("日"): reported with the controls shown
# escaped and the text in the terminal's encoding, never as raw bytes.
desktop ScreenSaveTimeOut $'\e]0;pwned\a\e[2J\x93\xfa'
end=$((SECONDS + 5))
until grep -q 'pwned' "$E2E_TMP/idle.log"; do
    ((SECONDS < end)) || fail "the bad delay was not reported: $(cat "$E2E_TMP/idle.log")"
    sleep 0.1
done
! grep -q $'\e' "$E2E_TMP/idle.log" || fail "a raw escape reached the terminal: $(od -c "$E2E_TMP/idle.log" | tail -5)"
! grep -q $'\x93\xfa' "$E2E_TMP/idle.log" || fail "raw Shift-JIS reached the terminal"
grep -qF '日' "$E2E_TMP/idle.log" || fail "the Shift-JIS text is not shown in UTF-8 under a UTF-8 locale"
grep -qF '\e]0;pwned\a\e[2J' "$E2E_TMP/idle.log" || fail "the controls are not shown escaped: $(grep pwned "$E2E_TMP/idle.log")"
# A good one written meanwhile is taken without a restart.
desktop ScreenSaveTimeOut 2
wait_savers 1 5
kill -TERM "$daemon"
wait_exit "$daemon" 5000
wait_savers 0 3
rm -f "$reg"

# A saver that fails: reported, and not started again in a loop while the user stays idle.
broken=$E2E_TMP/broken
mkdir -p "$broken"
cp "$E2E_BIN/velmora-idle" "$broken/"
printf '#!/bin/sh\necho "$@" >>"$HOME/broken-starts"\nexit 1\n' >"$broken/velmora"
chmod -R a+rx "$broken"
"${AS_USER[@]}" "$broken/velmora-idle" --timeout 1 >"$E2E_TMP/idle.log" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
started() { [[ -s $E2E_HOME/broken-starts ]]; }
wait_for 10000 started || fail "the failing saver was never started"
# A retry sooner than a minute after the failure would come within these 5 s.
started_once() { [[ $(wc -l <"$E2E_HOME/broken-starts") == 1 ]]; }
holds_for 5000 started_once ||
    fail "a failing saver was started $(wc -l <"$E2E_HOME/broken-starts") times within 5 s of its failure at a delay of 1 s"
[[ $(cat "$E2E_HOME/broken-starts") == /s ]] || fail "the saver was started as: $(cat "$E2E_HOME/broken-starts")"
grep -q "the saver ended with a failure" "$E2E_TMP/idle.log" || fail "the failure was not reported"
kill -TERM "$daemon"
wait_exit "$daemon" 5000
echo "a failing saver: reported, started once in 6 s"

# An XScreenSaver daemon on the display: velmora-idle leaves the saver to it.
printf '%s\n' "mode: blank" "timeout: 0:30:00" "lock: False" "splash: False" "fade: False" \
    "unfade: False" "dpmsEnabled: False" >"$E2E_HOME/.xscreensaver"
((EUID != 0)) || chown "$E2E_USER:" "$E2E_HOME/.xscreensaver"
"${AS_USER[@]}" xscreensaver -no-splash >"$E2E_TMP/xscreensaver.log" 2>&1 &
xss=$!
E2E_PIDS+=($xss)
end=$((SECONDS + 10))
until user xscreensaver-command -time >/dev/null 2>&1; do
    ((SECONDS > end)) && fail "the XScreenSaver daemon did not start"
    sleep 0.1
done
start_daemon --timeout 2
no_saver_for 6 "while XScreenSaver runs"
grep -q "XScreenSaver daemon runs" "$E2E_TMP/idle.log" || fail "no word of stepping aside: $(cat "$E2E_TMP/idle.log")"
kill -TERM "$xss"
wait_exit "$xss" 5000
wait_savers 1 14
echo "stepped aside for XScreenSaver and back"
kill -TERM "$daemon"
wait_exit "$daemon" 5000
echo "PASS"
