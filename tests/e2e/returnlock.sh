#!/usr/bin/env bash
# Locked on return, on Xvfb with a stand-in logind on a private bus that stands for the system
# bus. With the desktop's password option on (a Windows export's "Control Panel\desktop" in the
# settings file) and the grace period over, a key asks logind to lock the session and the saver
# goes on covering the screen, deaf to further keys, until the session says it is locked and
# another client holds the keyboard (a locker's grab); with nobody locking, it ends by itself
# after five seconds and says so on standard error. A key within the grace period ends it at
# once, without a lock. The settings file is only read. Last,
# the real thing: xss-lock hears logind's Lock and starts xsecurelock, which must get the
# keyboard and pointer at once, and the saver gives way to it only once it has them: keys typed
# all along from the first one reach no window of the desktop.
# Prints the key-to-lock-request latency, the end after LockedHint and a grab, and the fallback's
# length.
# Usage: returnlock.sh VELMORA LOGIND_STANDIN GRABPROBE
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
host_user_setup "$1"
start_xvfb 800x600
AS_USER+=("DISPLAY=$DISPLAY")
logind_setup "$2"
GRABPROBE=$3
E2E_DAEMON_LOG=$E2E_TMP/logind.log

settings=$XDG_CONFIG_HOME/velmora/user.reg
saver_shown() { xdotool search --onlyvisible --name '^Velmora$' >/dev/null 2>&1; }
# until_us LIMIT_MS COMMAND...: polls COMMAND every few milliseconds; prints the microseconds
# it took, fails the caller (returns 1) when it did not hold within LIMIT_MS.
until_us() {
    local start
    start=$(now_us)
    WAIT_POLL=0.005 wait_for "$@" || return 1
    echo $(($(now_us) - start))
}
more_locks_than() { (($(lock_requests) > $1)); }

# 1. Secure (NT's text "1"), no grace period: the key asks for the lock, and the saver stays
# until the session is locked: logind's LockedHint, and, on X11, a locker's grab of the keyboard
# as well, for a locker may set the hint before it has the keyboard. Either may come first.
desktop_options '"ScreenSaverIsSecure"="1"' '"ScreenSaverGracePeriod"=dword:00000000'
before=$(md5sum <"$settings")
start_saver /s
locks=$(lock_requests)
key_to_saver a
lock_us=$(until_us 3000 more_locks_than "$locks") || fail "no Lock request reached logind after the key"
# Still covering, and deaf: more keys and a click do not end it, nor ask again.
xdotool key b key Return click 1
wait_for 1000 saver_gone && fail "the saver ended before the session was locked"
saver_shown || fail "the saver's window went before the session was locked"
lit_over 0.00005 0 60 800 200 || fail "the saver stopped drawing while the session was being locked"
(($(lock_requests) == locks + 1)) || fail "more than one Lock request for one return"
# A grab alone is no lock.
talk grab_first "$GRABPROBE" hold
ready grab_first held
wait_for 500 saver_gone && fail "a grab of the keyboard ended the saver, the session not locked"
login_session SetLockedHint boolean:true
end_us=$(until_us 3000 saver_gone) || fail "the saver did not end once the session was locked"
wait_exit "$pid" 1000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after the lock"
[[ ! -s $E2E_TMP/saver.err ]] || fail "the saver complained after a lock that held: $(cat "$E2E_TMP/saver.err")"
[[ $(md5sum <"$settings") == "$before" ]] || fail "the settings file was written"
echo "key -> Lock request $(ms "$lock_us") ms; keyboard grabbed, then LockedHint -> saver ended $(ms "$end_us") ms"
exec {grab_first_in}>&-
wait_exit "$grab_first_pid" 2000
login_session SetLockedHint boolean:false
# The hint first: until somebody holds the keyboard, keys would reach the desktop once the saver
# went, so it stays.
start_saver /s
locks=$(lock_requests)
key_to_saver a
until_us 3000 more_locks_than "$locks" >/dev/null || fail "no Lock request reached logind after the key"
login_session SetLockedHint boolean:true
wait_for 1000 saver_gone && fail "the saver ended at LockedHint while nobody held the keyboard"
saver_shown || fail "the saver's window went at LockedHint while nobody held the keyboard"
talk grab_last "$GRABPROBE" hold
ready grab_last held
grabbed_at=$(now_us)
wait_for 3000 saver_gone || fail "the saver did not end once the keyboard was grabbed under LockedHint"
grab_us=$(($(now_us) - grabbed_at))
wait_exit "$pid" 1000
[[ ! -s $E2E_TMP/saver.err ]] || fail "the saver complained after a lock that held: $(cat "$E2E_TMP/saver.err")"
echo "LockedHint, then keyboard grabbed -> saver ended $(ms "$grab_us") ms"
exec {grab_last_in}>&-
wait_exit "$grab_last_pid" 2000
login_session SetLockedHint boolean:false

# 2. Secure (the 9x family's option as a number), nobody locks: the saver ends by itself after
# five seconds and says why on one line. While it waits, a locker could take the keyboard and
# pointer at once, and keys go to the saver's window, not to the desktop beneath.
desktop_options '"ScreenSaveUsePassword"=dword:00000001' '"ScreenSaverGracePeriod"="0"'
start_saver /s
locks=$(lock_requests)
key_to_saver a
key_at=$(now_us)
until_us 3000 more_locks_than "$locks" >/dev/null || fail "no Lock request reached logind after the key"
probe=$("$GRABPROBE" || true)
[[ $probe == "keyboard free pointer free "* ]] || fail "the saver keeps the input from a locker: $probe"
saver_window=$(xdotool search --onlyvisible --name '^Velmora$' | head -n1)
[[ $probe == *" focus $(printf 0x%x "$saver_window") "* ]] ||
    fail "while the session is being locked, keys would not go to the saver's window: $probe"
wait_for 4000 saver_gone && fail "the saver gave up waiting for the lock within 4 s"
wait_for 3000 saver_gone || fail "the saver still covers the screen 7 s after the key, nobody locking"
fallback_us=$(($(now_us) - key_at))
wait_exit "$pid" 1000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after the fallback"
[[ $(wc -l <"$E2E_TMP/saver.err") == 1 ]] && grep -q '^velmora: .*unlocked' "$E2E_TMP/saver.err" ||
    fail "no one-line notice of the unlocked end: $(cat "$E2E_TMP/saver.err")"
echo "nobody locking: the saver ended $(ms "$fallback_us") ms after the key: $(cat "$E2E_TMP/saver.err")"

# The session said to be locked, but no locker takes the keyboard (as with a locker that has only
# switched to another virtual terminal): after the same five seconds the saver ends, and says what
# it missed.
login_session SetLockedHint boolean:true
start_saver /s
key_to_saver a
key_at=$(now_us)
wait_for 4000 saver_gone && fail "the saver ended within 4 s with nobody holding the keyboard"
wait_for 3000 saver_gone || fail "the saver still covers the screen 7 s after the key, the keyboard free"
unheld_us=$(($(now_us) - key_at))
wait_exit "$pid" 1000
[[ $(wc -l <"$E2E_TMP/saver.err") == 1 ]] &&
    grep -q '^velmora: the session is said to be locked, but no locker took the keyboard' "$E2E_TMP/saver.err" ||
    fail "no one-line notice of the keyboard nobody took: $(cat "$E2E_TMP/saver.err")"
echo "LockedHint, nobody holding the keyboard: the saver ended $(ms "$unheld_us") ms after the key"
login_session SetLockedHint boolean:false

# 3. A grace period of 10 s (a loaded machine may take seconds from the showing to the focus and
# the key): a key within it ends the saver at once, without a lock.
desktop_options '"ScreenSaverIsSecure"="1"' '"ScreenSaverGracePeriod"="10"'
locks=$(lock_requests)
launch_saver /s
# (The grace period counts from the saver's showing, not from its launch, which can be slow under
# load: the deadline counts from the launch.)
wait_for 5000 saver_shown || fail "the saver's window is not there"
key_to_saver a
grace_us=$(until_us 1000 saver_gone) || fail "a key within the grace period did not end the saver"
wait_exit "$pid" 1000
(($(lock_requests) == locks)) || fail "a key within the grace period asked for the lock"
echo "within the grace period: ended $(ms "$grace_us") ms after the key, no Lock request"

# 4. The option off: the same, whatever the time.
desktop_options '"ScreenSaverIsSecure"="0"' '"ScreenSaveUsePassword"=dword:00000000'
start_saver /s
key_to_saver a
until_us 1000 saver_gone >/dev/null || fail "with the option off a key did not end the saver"
wait_exit "$pid" 1000
(($(lock_requests) == locks)) || fail "with the option off the saver asked for the lock"
echo "option off: no Lock request"

# 5. A real locker: xss-lock runs xsecurelock on logind's Lock signal. The locker takes the
# keyboard and pointer (it gives up when it cannot) and covers the screen; the saver then ends,
# leaving the locker in charge.
desktop_options '"ScreenSaverIsSecure"="1"' '"ScreenSaverGracePeriod"=dword:00000000'
"${AS_USER[@]}" xss-lock -- xsecurelock >"$E2E_TMP/xss-lock.log" 2>&1 &
xss_pid=$!
E2E_PIDS+=($xss_pid)
wait_for 5000 grep -q 'Inhibit sleep delay by xss-lock' "$E2E_TMP/logind.log" ||
    fail "xss-lock did not come onto the bus: $(cat "$E2E_TMP/xss-lock.log")"
# A window of the desktop has the keyboard before the saver; the keys typed after the first, while
# the saver waits and while the locker comes up, must reach neither it nor anything else of the
# unlocked desktop.
stdbuf -oL xev -event keyboard -geometry 300x200+0+0 >"$E2E_TMP/desktop-keys.log" 2>&1 &
xev_pid=$!
E2E_PIDS+=($xev_pid)
desktop=$(wait_window 'Event Tester' 5)
xdotool windowfocus --sync "$desktop"
desktop_keys() { grep -c '^KeyPress' "$E2E_TMP/desktop-keys.log" || true; }
# It does hear keys typed to it.
xdotool key z
wait_for 2000 eval '(($(desktop_keys) == 1))' || fail "the desktop's window heard no key typed to it"
start_saver /s
# (Not before the saver has the focus: a key before then would go to the desktop's window.)
wait_for 5000 saver_focused || fail "the saver's window does not get the keyboard's focus"
# The first key, then by the same typist one key every 4 ms for more than a second: the hand-over
# to the locker cannot fall between two of them.
key_at=$(now_us)
xdotool key a type --delay 4 "$(printf 'qwertyuiop%.0s' {1..30})" &
typist=$!
E2E_PIDS+=($typist)
locker_us=$(until_us 4000 saver_gone) || fail "the saver did not give way to xsecurelock"
locker_us=$(($(now_us) - key_at))
wait_exit "$pid" 1000
wait_exit "$typist" 5000
(($(desktop_keys) == 1)) || fail "keys typed while the session was being locked reached the" \
    "desktop's window: $(($(desktop_keys) - 1)) of 300"
kill -TERM "$xev_pid"
[[ ! -s $E2E_TMP/saver.err ]] || fail "the saver complained: $(cat "$E2E_TMP/saver.err")"
locker_pid=$(pgrep -P "$xss_pid" -x xsecurelock || true)
[[ -n $locker_pid ]] || fail "xsecurelock is not running (it could not take the input?): $(cat "$E2E_TMP/xss-lock.log")"
xwininfo -root -children | grep -q '"xsecurelock"' || fail "xsecurelock's window is not on the screen"
echo "xss-lock and xsecurelock: the saver gave way $(ms "$locker_us") ms after the key; the locker holds the screen;" \
    "none of the 300 keys typed meanwhile reached the desktop"
kill -TERM "$locker_pid" 2>/dev/null || true

# 6. A locker that only covers the screen (nobody sets LockedHint): xsecurelock started after the
# Lock request, as any locker would be. The saver ends as soon as it is covered, long before its
# five seconds, and leaves the locker running.
# xss-lock goes first (it would start a locker of its own on the Lock, and set LockedHint).
no_locker() { ! pgrep -P "$xss_pid" -x xsecurelock >/dev/null; }
wait_for 3000 no_locker || fail "the first xsecurelock did not end"
kill -TERM "$xss_pid"
wait_exit "$xss_pid" 3000
login_session SetLockedHint boolean:false
[[ $(login_property LockedHint) == false ]] || fail "LockedHint is still true"
start_saver /s
locks=$(lock_requests)
key_to_saver a
key_at=$(now_us)
until_us 3000 more_locks_than "$locks" >/dev/null || fail "no Lock request reached logind after the key"
"${AS_USER[@]}" xsecurelock >"$E2E_TMP/xsecurelock.log" 2>&1 &
locker_pid=$!
E2E_PIDS+=($locker_pid)
covered_us=$(until_us 4000 saver_gone) || fail "the saver was still there 4 s after the locker started"
covered_us=$(($(now_us) - key_at))
wait_exit "$pid" 1000
[[ ! -s $E2E_TMP/saver.err ]] || fail "the saver fell back instead of giving way: $(cat "$E2E_TMP/saver.err")"
running "$locker_pid" || fail "xsecurelock gave up: $(cat "$E2E_TMP/xsecurelock.log")"
# Nobody said the session was locked: only the covering can have ended the saver.
[[ $(login_property LockedHint) == false ]] || fail "something set LockedHint after all"
echo "xsecurelock alone: the saver ended $(ms "$covered_us") ms after the key, covered"

# 7. No system bus to ask: the saver ends at once after the key, saying why, rather than wait.
kill -TERM "$locker_pid" 2>/dev/null || true
wait_exit "$locker_pid" 3000
AS_USER+=("DBUS_SYSTEM_BUS_ADDRESS=unix:path=$E2E_TMP/no-such-bus")
start_saver /s
key_to_saver a
refused_us=$(until_us 2000 saver_gone) || fail "without a system bus the saver did not end within 2 s of the key"
wait_exit "$pid" 1000
[[ $(wc -l <"$E2E_TMP/saver.err") == 1 ]] && grep -q '^velmora: cannot have the session locked' "$E2E_TMP/saver.err" ||
    fail "no one-line notice without a system bus: $(cat "$E2E_TMP/saver.err")"
echo "no system bus: ended $(ms "$refused_us") ms after the key: $(cat "$E2E_TMP/saver.err")"
