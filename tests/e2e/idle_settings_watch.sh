#!/usr/bin/env bash
# velmora-idle's watch of the settings file keeps working as a user may handle the file: the
# settings folder removed and made again with a new file, and the file a link whose target is
# changed. Each change reaches the running daemon (seen by the idle time it takes, and by its
# report of a bad value). On an X display (MIT-SCREEN-SAVER).
# Usage: idle_settings_watch.sh VELMORA VELMORA_IDLE
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
host_user_setup "$1"
cp "$2" "$E2E_BIN/velmora-idle"
chmod a+rx "$E2E_BIN/velmora-idle"
start_xvfb 800x600
AS_USER+=("DISPLAY=$DISPLAY")
folder=$XDG_CONFIG_HOME/velmora
E2E_DAEMON_LOG=$E2E_TMP/idle.log
# settings FILE VALUE: FILE (written as the test user, replaced by rename) holds the idle time
# VALUE.
settings() {
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"ScreenSaveTimeOut"="%s"\r\n' \
        "$2" | user sh -c 'cat >"$1.new" && mv "$1.new" "$1"' sh "$1"
}
reported() { grep -qF "ScreenSaveTimeOut \"$1\"" "$E2E_DAEMON_LOG"; }
# end_saver: a key ends the running saver once it draws and has the keyboard's focus.
end_saver() {
    wait_for 5000 lit_over 0.0001 0 0 800 600 || fail "the saver draws nothing"
    key_to_saver a
    wait_savers 0 3
}

settings "$folder/user.reg" 600
"${AS_USER[@]}" velmora-idle >"$E2E_DAEMON_LOG" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
wait_for 5000 grep -q "after 600 s" "$E2E_DAEMON_LOG" || fail "the daemon did not start with 600 s"

# The folder removed, and made again with a file of 2 s: the saver comes after 2 s.
rm -rf "$folder"
user mkdir -m 700 "$folder"
start=$(now_us)
settings "$folder/user.reg" 2
wait_savers 1 8
echo "the folder removed and made again: the saver came $((($(now_us) - start) / 1000)) ms after the new file (idle time 2 s)"
end_saver
# ... and once more: the watch on the folder made again is itself renewed.
rm -rf "$folder"
user mkdir -m 700 "$folder"
settings "$folder/user.reg" bad-after-removal
wait_for 5000 reported bad-after-removal || fail "the file in the folder made a second time was not read"
no_saver_for 3 "with the default idle time of ten minutes"
echo "the folder removed and made again twice: each new file read"

# user.reg a link to a file elsewhere: a change of the target is seen.
target=$E2E_HOME/settings/velmora.reg
user mkdir -p "$(dirname "$target")"
settings "$target" bad-through-link
user ln -sf "$target" "$folder/user.reg"
wait_for 5000 reported bad-through-link || fail "the linked file was not read"
start=$(now_us)
settings "$target" 2
wait_savers 1 8
echo "the link's target changed: the saver came $((($(now_us) - start) / 1000)) ms after (idle time 2 s)"
end_saver
# The link pointed elsewhere, and that file changed in turn.
other=$E2E_HOME/elsewhere/velmora.reg
user mkdir -p "$(dirname "$other")"
settings "$other" 600
user ln -sfn "$other" "$folder/user.reg.new"
user mv -T "$folder/user.reg.new" "$folder/user.reg"
no_saver_for 3 "with the new target's idle time of ten minutes"
settings "$other" bad-new-target
wait_for 5000 reported bad-new-target || fail "a change of the link's new target was not seen"
echo "the link pointed elsewhere: its new target's change seen"

kill -TERM "$daemon"
wait_exit "$daemon" 5000
wait_savers 0 3
echo "PASS"
