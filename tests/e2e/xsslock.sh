#!/usr/bin/env bash
# The saver as a guest of a session that xss-lock locks with xsecurelock, as the test user under
# Xvfb, with a stand-in logind on a private bus that stands for the system bus:
# - `velmora /s` holds neither the keyboard nor the pointer, has the keyboard's focus, ignores the
#   wheel and ends at a key, and the focus goes back to the window that had it;
# - logind's Lock (as `loginctl lock-session` asks it) brings xsecurelock over the saver, which gets
#   its grabs at its first try: the keyboard and the pointer are held by it, its window is on top,
#   nothing of the drive shows, and it says nothing of grabs; a key typed into the locker ends the
#   saver beneath, and the user's password unlocks (logind's Unlock when not run as root); the
#   same before the machine goes to sleep;
# - the X server's own screen-saver timer still runs while the saver shows: xss-lock hears it and
#   locks within a deadline; a mouse movement under the lock ends the saver;
# - given VELMORA_IDLE, the README's recipe whole: velmora-idle's shorter idle time starts the
#   saver, the server's longer one brings xsecurelock over it at its first try, and while
#   xsecurelock runs velmora-idle starts no saver, even with logind's hint false (it finds the
#   locker among the user's programs); after the unlock the next idle time starts one again.
# Usage: xsslock.sh VELMORA LOGIND_STANDIN GRABPROBE [VELMORA_IDLE]
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
for host in xss-lock xsecurelock xset xlogo; do
    command -v "$host" >/dev/null || fail "$host is not installed (scripts/deps.sh)"
done
host_user_setup "$1"
cp "$3" "$E2E_BIN/grabprobe"
chmod a+rx "$E2E_BIN/grabprobe"
start_xvfb 1024x768
AS_USER+=("DISPLAY=$DISPLAY")
logind_setup "$2"
E2E_DAEMON_LOG=$E2E_TMP/logind.log
# The locker checks the user's password through PAM (common-auth): the test user gets one when
# the test can give it (as root); otherwise logind's Unlock ends the lock.
password=
if ((EUID == 0)); then
    password=$(head -c 12 /dev/urandom | base64 | tr -dc 'a-zA-Z0-9')
    echo "$E2E_USER:$password" | chpasswd || fail "cannot give $E2E_USER a password"
fi

# xss-lock as a session starts it, with xsecurelock as its locker; both log to one file.
"${AS_USER[@]}" xss-lock --verbose -- xsecurelock >"$E2E_TMP/locker.log" 2>&1 &
E2E_PIDS+=($!)
xss_lock_ready() { login_manager ListInhibitors | grep -q xss-lock; }
wait_for 5000 xss_lock_ready || fail "xss-lock took no sleep inhibitor from logind"

# The saver's window is up with the keyboard's focus, which it takes once ready (start_saver).
saver_shown() { xdotool search --onlyvisible --name '^Velmora$' >/dev/null 2>&1 && saver_focused; }
saver_window() { xdotool search --onlyvisible --name '^Velmora$' | head -n1; }
# probe: the grab probe's line (keyboard held|free pointer held|free top 0xID) in `probed`; its
# exit code says whether another client holds both.
probe() {
    local code=0
    probed=$(user grabprobe) || code=$?
    return $code
}
# locked: the locker holds the keyboard and the pointer and its window is above the saver's.
locked() { probe && [[ ${probed##* } != "$(printf '0x%x' "$saver")" ]]; }
screen_dark() { ! more_than "$(lit_fraction 0 0 1024 768)" 0; }
no_grab_complaints() {
    if grep -i 'grab' "$E2E_TMP/locker.log"; then fail "xsecurelock could not take its grabs"; fi
}
ms_since() { echo $((($(now_us) - $1) / 1000)); }

# The saver alone: no grab, the focus, the wheel ignored, a key ends it; then the window that had
# the focus before has it again.
xlogo -geometry 200x100+0+0 &
E2E_PIDS+=($!)
desktop=$(wait_window xlogo 5)
xdotool windowfocus --sync "$desktop"
start_saver /s
saver=$(saver_window)
hex=$(printf '0x%x' "$saver")
probe && fail "the saver holds the keyboard and the pointer: $probed"
[[ $probed == "keyboard free pointer free focus $hex top $hex" ]] ||
    fail "the saver holds a device, has not the keyboard's focus or is not on top: $probed"
xdotool click 4 click 5 click 6 click 7
sleep 0.3  # the time a saver that took the wheel for input would need to end
running "$pid" || fail "the mouse wheel ended the saver"
pressed=$(now_us)
xdotool key a
wait_exit "$pid" 1000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a key press"
echo "no grab, focus taken, the wheel ignored; a key ended the saver in $(ms_since "$pressed") ms"
[[ $(xdotool getwindowfocus) == "$desktop" ]] || fail "the focus did not go back to its window"

# logind asks for the lock while the saver shows.
start_saver /s
saver=$(saver_window)
asked=$(now_us)
login_session Lock
probed=
wait_for 5000 locked || fail "not locked 5 s after logind's Lock: $probed"
lock_ms=$(ms_since "$asked")
wait_for 5000 screen_dark || fail "the drive still shows over the lock"
no_grab_complaints
[[ $(login_property LockedHint) == true ]] || fail "xss-lock did not say the session is locked"
running "$pid" || fail "the saver ended when the locker came"
# xsecurelock moves the focus to the root when its first grab fails, before it tries again.
[[ $probed == *" focus $(printf '0x%x' "$saver") "* ]] || fail "xsecurelock had to try again: $probed"
echo "xsecurelock held the keyboard and the pointer $lock_ms ms after logind's Lock, at its first try"
# A key typed into the locker ends the saver beneath it.
pressed=$(now_us)
xdotool key a
wait_exit "$pid" 2000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a key press into the locker"
echo "a key typed into the locker ended the saver in $(ms_since "$pressed") ms"
unlocked() { ! probe && [[ $(login_property LockedHint) == false ]]; }
if [[ -n $password ]]; then
    # That key woke the locker's prompt (and is dropped); the user's password unlocks.
    xdotool type --delay 20 "$password"
    xdotool key Return
    wait_for 10000 unlocked || fail "still locked after the password: $probed"
    if grep 'abnormally' "$E2E_TMP/locker.log"; then fail "xsecurelock did not end well"; fi
    echo "unlocked by the password"
else
    login_session Unlock
    wait_for 5000 unlocked || fail "still locked after logind's Unlock: $probed"
fi

# The machine goes to sleep while the saver shows: xss-lock locks first, then lets it sleep (it
# releases its delay inhibitor, and logind says the machine woke up).
start_saver /s
saver=$(saver_window)
asked=$(now_us)
login_manager Suspend boolean:false >/dev/null
probed=
wait_for 5000 locked || fail "not locked 5 s after logind's PrepareForSleep: $probed"
echo "locked $(ms_since "$asked") ms after logind's PrepareForSleep"
woke() { grep -q 'PrepareForSleep false' "$E2E_TMP/logind.log"; }
wait_for 5000 woke || fail "the machine did not go to sleep"
grep -q 'released sleep delay by xss-lock' "$E2E_TMP/logind.log" ||
    fail "logind's delay ran out before xss-lock let the machine sleep"
wait_for 5000 xss_lock_ready || fail "xss-lock took no new sleep inhibitor after the wake-up"
no_grab_complaints
xdotool key a
wait_exit "$pid" 2000
login_session Unlock
wait_for 5000 unlocked || fail "still locked after logind's Unlock: $probed"

# The server's own screen-saver time runs out while the saver shows: the input that starts the
# idle time comes before the saver, which lasts past it.
timeout_s=8
xset s "$timeout_s" 0
xdotool mousemove 10 10
last_input=$(now_us)
start_saver /s
saver=$(saver_window)
((($(now_us) - last_input) / 1000 < timeout_s * 1000)) || fail "the saver took too long to show"
probed=
wait_for $((timeout_s * 1000 + 5000)) locked ||
    fail "not locked $((timeout_s + 5)) s after the last input: $probed"
echo "locked $(($(ms_since "$last_input") - timeout_s * 1000)) ms after the server's screen saver" \
    "time ($timeout_s s) ran out under the saver"
wait_for 5000 screen_dark || fail "the drive still shows over the lock"
no_grab_complaints
running "$pid" || fail "the saver ended when the locker came"
xset s off
# A movement of one pixel under the locker (whose grab gets the pointer's events) ends the saver.
moved=$(now_us)
xdotool mousemove_relative 1 0
wait_exit "$pid" 2000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a mouse movement under the locker"
echo "a mouse movement under the locker ended the saver in $(ms_since "$moved") ms"
login_session Unlock
wait_for 5000 unlocked || fail "still locked after logind's Unlock: $probed"

if [[ -n ${4:-} ]]; then
    cp "$4" "$E2E_BIN/velmora-idle"
    chmod a+rx "$E2E_BIN/velmora-idle"
    E2E_DAEMON_LOG=$E2E_TMP/idle.log
    idle_s=2 timeout_s=7
    xset s "$timeout_s" 0
    xdotool mousemove 20 20
    last_input=$(now_us)
    "${AS_USER[@]}" velmora-idle --timeout "$idle_s" >"$E2E_TMP/idle.log" 2>&1 &
    daemon=$!
    E2E_PIDS+=($daemon)
    wait_savers 1 $((idle_s + 3))
    started_ms=$(ms_since "$last_input")
    saver=$(wait_window Velmora 5)
    probe && fail "the saver velmora-idle started holds the keyboard and the pointer: $probed"
    probed=
    wait_for $((timeout_s * 1000 + 5000)) locked ||
        fail "not locked $((timeout_s + 5)) s after the last input, velmora-idle's saver showing: $probed"
    echo "velmora-idle started the saver $started_ms ms after the last input; xsecurelock held the" \
        "keyboard and the pointer $(($(ms_since "$last_input") - timeout_s * 1000)) ms after the" \
        "server's screen-saver time ($timeout_s s)"
    [[ $probed == *" focus $(printf '0x%x' "$saver") "* ]] || fail "xsecurelock had to try again: $probed"
    no_grab_complaints
    wait_for 5000 screen_dark || fail "the drive still shows over the lock"
    [[ $(saver_pids) == "$(pgrep -P "$daemon" -x velmora)" ]] || fail "the saver under the lock is not velmora-idle's"
    xset s off
    # A key into the locker ends the saver beneath; then, however long the user stays idle, none
    # starts while xsecurelock runs, also once logind's hint no longer says so (a locker that
    # tells logind nothing).
    xdotool key a
    wait_savers 0 3
    login_session SetLockedHint boolean:false
    no_saver_for $((idle_s * 3)) "while xsecurelock locks the session"
    pgrep -u "$HOST_USER" -x xsecurelock >/dev/null || fail "xsecurelock is gone"
    echo "no saver from velmora-idle in $((idle_s * 3)) s under xsecurelock (LockedHint false)"
    if [[ -n $password ]]; then
        xdotool type --delay 20 "$password"
        xdotool key Return
    else
        login_session Unlock
    fi
    wait_for 10000 unlocked || fail "still locked after the unlock: $probed"
    unlocked_at=$(now_us)
    wait_savers 1 $((idle_s + 4))
    echo "velmora-idle started the saver $(ms_since "$unlocked_at") ms after the unlock (idle time $idle_s s)"
    kill -TERM "$daemon"
    wait_exit "$daemon" 5000
    wait_savers 0 3
fi
echo "PASS"
