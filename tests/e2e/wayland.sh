#!/usr/bin/env bash
# The saver on Wayland itself: a headless sway with two outputs and no X server at all. The drive
# fills the first output and the other turns black; a key ends it; an output plugged in ends it
# too. A pointer of the test's own: motion and the wheel over the black output go on, a click
# there ends the saver; over the drive the first position is recorded and a one-pixel move ends
# it. On a workspace not shown the saver stops drawing and waking; shown again, it draws again.
# DispMode 1 enlarges the 640x480 drive over the output in blocks with hard edges. --x11, /p and the
# hack options, which name an X window, go to X11 and fail clearly without an X server; the
# settings dialog shows through Qt's Wayland plugin. A window opened during the saver stays below
# it and gets no key.
# Usage: wayland.sh VELMORA POINTER WINDOW [SCREENSHOT_DIR]
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
VELMORA=$1
SHOTS=${4:-}
require_programs sway
host_user_setup "$VELMORA"
cp "$2" "$E2E_BIN/velmora-e2e-pointer"
cp "$3" "$E2E_BIN/velmora-e2e-window"
chmod a+rx "$E2E_BIN"/*

# noscanout: a headless output that shows a fullscreen client's buffer as it is keeps the picture
# it last composed for screenshots; real outputs cannot show shared-memory buffers that way.
sway_session -D noscanout -- "xwayland disable" \
    "output HEADLESS-1 resolution 1024x768 position 0 0" \
    "output HEADLESS-2 resolution 800x600 position 1024 0"
sway_pid=$SWAY_PID
outputs() { user swaymsg -t get_outputs | grep -c '"name": "HEADLESS-'; }

user swaymsg create_output >/dev/null
wait_for 15000 eval '[[ $(outputs) == 2 ]]' || fail "sway has not two outputs"
session_keyboard

# windows: how many of the saver's windows sway shows.
windows() { user swaymsg -t get_tree | grep -c '"app_id": "velmora"' || true; }
# The saver's windows, one an output, are up (start_saver).
want=2
saver_shown() { [[ $(windows) == "$want" ]]; }

start_saver /s
expect_drive_on HEADLESS-1 1024x768 420 HEADLESS-2 800x600 sky
[[ -n $SHOTS ]] && user grim -o HEADLESS-1 "$SHOTS/wayland-run.png"
# A guest of the session: the drive shown, nothing keeps the session from going idle (the
# compositor's blanking and lock keep their times; swayidle.sh runs them).
inhibited() { user swaymsg -t get_tree | grep -q '"inhibit_idle": true'; }
! inhibited || fail "the saver keeps the session from going idle"
# Nobody watching, nothing drawn: on a workspace not shown the compositor answers none of the
# drive's frames, and the saver stops drawing and waking (a few wakeups a second at most); shown
# again, it draws again.
user swaymsg 'workspace 9' >/dev/null
wait_for 5000 wakeups_within "$pid" 0 3 || fail "the saver goes on waking on a workspace not shown"
user swaymsg 'workspace back_and_forth' >/dev/null
wait_for 5000 wakeups_within "$pid" 15 100000 || fail "the saver does not draw again once shown"
wait_for 3000 drive_lit HEADLESS-1 1024x768 420 sky ||
    fail "no drive once shown again (sky $DRIVE_SKY, road $DRIVE_ROAD)"
# One saver per Wayland display and user: a second launch ends at once and leaves it be.
code=0
timeout 5 "${AS_USER[@]}" velmora /s || code=$?
[[ $code == 0 ]] || fail "a second launch: exit code $code"
running "$pid" && [[ $(windows) == 2 ]] || fail "a second launch disturbed the running saver"
wtype_to_saver Escape
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a key"
[[ $(windows) == 0 ]] || fail "the saver's windows outlive it"
# A termination signal: the ordinary close, then the end by that signal.
start_saver /s
kill -TERM "$pid"
wait_exit "$pid" 3000
[[ $EXIT_CODE == 143 ]] || fail "exit code $EXIT_CODE after SIGTERM"
[[ $(windows) == 0 ]] || fail "the saver's windows outlive SIGTERM"

# DispMode 1: the 640x480 drive enlarged over the whole first output (town lights right of
# x=640), the second output still black.
dispmode1_drive /s
[[ $EXIT_CODE == 0 ]] || fail "DispMode 1: exit code $EXIT_CODE after a key"
# On a wide output, as a 640x480 mode looks there: the picture fills the height with its aspect
# kept (1440 of 1920 columns), black bands beside it, every dot a solid block of 2 or 3 pixels
# a side (2.25 a dot) with hard edges: no one-pixel sliver of any colour, as a compositor's
# smoothing would leave. The banner is still on: its letters are blocks too.
user swaymsg output HEADLESS-1 resolution 1920x1080 >/dev/null
user swaymsg output HEADLESS-2 position 1920 0 >/dev/null
start_saver /s
# dispmode_shot: one screenshot, measured; true once it holds the picture (at the banner's end the
# view is black for a frame), which is then judged whole.
dispmode_shot() {
    user grim -o HEADLESS-1 "$E2E_HOME/dispmode.png"
    read -r _ bands _ runh runv _ dots <<<"$(convert "$E2E_HOME/dispmode.png" ppm:- |
        python3 "$E2E_DIR/pixelblocks.py" 240 1680)"
    [[ $(wc -w <<<"$dots") -ge 20 ]]
}
wait_for 3000 dispmode_shot || :
echo "DispMode 1 at 1920x1080: lit in the bands $bands, shortest runs $runh x $runv," \
    "lone dots by size:" $(tr ' ' '\n' <<<"$dots" | sort | uniq -c | awk '{print $2 ":" $1}')
[[ $bands == 0 ]] || fail "DispMode 1: $bands pixels lit beside the picture"
((runh >= 2 && runv >= 2)) || fail "DispMode 1: edges not hard (runs of $runh x $runv pixels)"
# A lone dot is one block; a few lie side by side with another of their colour.
single=0 total=0
for dot in $dots; do
    [[ $dot =~ (^1x|x1$) ]] && fail "DispMode 1: a patch of $dot pixels, thinner than a block"
    [[ $dot =~ ^[23]x[23]$ ]] && ((++single))
    ((++total))
done
((total >= 20 && single * 10 >= total * 8)) ||
    fail "DispMode 1: $single of $total lone dots are single blocks of 2-3 pixels a side"
wtype_to_saver Escape
wait_exit "$pid" 3000
user swaymsg output HEADLESS-1 resolution 1024x768 >/dev/null
rm -f "$XDG_CONFIG_HOME/velmora/user.reg"

# The pointer: one device for the whole test, so that the seat has it before the saver starts.
coproc POINTER { exec "${AS_USER[@]}" velmora-e2e-pointer; }
E2E_PIDS+=($POINTER_PID)
pointer() {
    echo "$*" >&"${POINTER[1]}"
    local answer
    read -r -t 5 answer <&"${POINTER[0]}" && [[ $answer == ok ]] || fail "the pointer did not do '$*'"
}
# The layout: the first output at (0, 0), the second right of it; 1824 x 768 in all.
pointer at 1300 300 1824 768
start_saver /s
pointer at 1400 400 1824 768 wheel
sleep 0.3
running "$pid" || fail "motion or the wheel over the second output ended the saver"
pointer click
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a click on the second output"
pointer at 500 300 1824 768
start_saver /s
pointer at 500 300 1824 768 wheel
sleep 0.3
running "$pid" || fail "the pointer where it first was over the drive ended the saver"
pointer by 1 0
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a one-pixel move over the drive"
echo "pointer: a click on the second output and a one-pixel move over the drive end the saver"

# HiDPI: at scale 2 the drive still has one dot per physical pixel, over the whole output: its
# dots are single pixels, not 2x2 blocks of a scene at the logical size, and the road reaches the
# output's right half.
user swaymsg output HEADLESS-1 scale 2 >/dev/null
start_saver /s
# hidpi_shot: one screenshot, measured; true once its road has dots, and some in the right half
# (the road is a few dots, and the banner's end blanks the view for a frame).
hidpi_shot() {
    user grim -o HEADLESS-1 "$E2E_HOME/hidpi.png"
    read -r lit blocks <<<"$(convert "$E2E_HOME/hidpi.png" -crop 1024x340+0+420 +repage \
        -colorspace Gray -threshold 1% \( +clone -morphology Erode '2x2+0+0:1,1,1,1' \) \
        -format "%[fx:mean] " info:)"
    right=$(lit_of "$E2E_HOME/hidpi.png" 512 420 512 340)
    more_than "$lit" 0.00002 && more_than "$right" 0.00001
}
wait_for 3000 hidpi_shot || :
echo "scale 2: lit $lit, in 2x2 blocks $blocks, right half $right"
awk -v l="$lit" -v b="$blocks" 'BEGIN{exit !(l > 0.00002 && b < l / 4)}' ||
    fail "scale 2: the drive is not drawn one dot per physical pixel ($lit, $blocks)"
awk -v v="$right" 'BEGIN{exit !(v > 0.00001)}' || fail "scale 2: nothing in the right half ($right)"
wtype_to_saver Escape
wait_exit "$pid" 3000
user swaymsg output HEADLESS-1 scale 1 >/dev/null

# An output plugged in while the saver runs would show the desktop: the saver ends, as by the
# user. (sway 1.7 keeps a disabled headless output's global, so removal is not tried here.)
start_saver /s
user swaymsg create_output >/dev/null
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after an output was added"

# What needs X11 fails clearly without it.
code=0
user velmora /s --x11 >/dev/null 2>"$E2E_TMP/x11.err" || code=$?
echo "--x11: exit $code: $(head -n1 "$E2E_TMP/x11.err")"
[[ $code == 1 ]] && grep -q 'X display' "$E2E_TMP/x11.err" || fail "--x11 without an X server"
# What names an X window to draw into goes to X11 too, which has no display here.
for args in "/p 123" "--root" "-root" "--window-id 0x400001" "-window-id 77" "--window" "-window" \
    "XSCREENSAVER_WINDOW=0x400001 velmora --root" "XSCREENSAVER_WINDOW=0x400001 velmora /s"; do
    [[ $args == XSCREENSAVER_WINDOW=* ]] || args="velmora $args"
    code=0
    # shellcheck disable=SC2086 # one word per argument
    user $args >/dev/null 2>"$E2E_TMP/xwindow.err" || code=$?
    echo "$args: exit $code: $(head -n1 "$E2E_TMP/xwindow.err")"
    [[ $code == 1 ]] && grep -q 'X display' "$E2E_TMP/xwindow.err" || fail "$args on Wayland"
done

# The settings dialog through Qt's Wayland plugin.
"${AS_USER[@]}" velmora /c 2>"$E2E_TMP/dialog.err" &
pid=$!
E2E_PIDS+=($pid)
end=$((SECONDS + 10))
until user swaymsg -t get_tree | grep -q '"app_id": "velmora\|"name": "Velmora'; do
    running "$pid" || { cat "$E2E_TMP/dialog.err" >&2; fail "the dialog ended at once"; }
    ((SECONDS > end)) && fail "no dialog window on Wayland"
    sleep 0.1
done
# (Managed before it has drawn, or before sway has composed it.)
dialog_drawn() {
    lit=$(lit_in HEADLESS-1 0 0 1024 768)
    more_than "$lit" 0.05
}
wait_for 5000 dialog_drawn || fail "the dialog shows nothing ($lit)"
echo "dialog: lit share $lit"
[[ -n $SHOTS ]] && user grim -o HEADLESS-1 "$SHOTS/wayland-dialog.png"
kill -TERM "$pid"
wait_exit "$pid" 3000

# A window opened while the saver runs stays below it and without the keyboard: the key still
# ends the saver, and the window gets no key. (Three outputs now, since one was plugged in.)
want=3
start_saver /s
talk late "${AS_USER[@]}" velmora-e2e-window 300 200
read -r -t 10 shown <&"$late_out" && [[ $shown == shown ]] || fail "the late window did not show"
late_window() { sway_window velmora-e2e-window; }
wait_for 5000 eval '[[ $(late_window) != none ]]' || fail "sway does not manage the late window"
holds_for 500 eval '[[ $(late_window) == "False False" ]]' ||
    fail "the late window is shown or focused over the saver: $(late_window)"
running "$pid" || fail "a window opened over the saver ended it"
wtype_to_saver Escape
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a key with a late window"
while read -r -t 0.5 line <&"$late_out"; do
    [[ $line != key* ]] || fail "the late window got the key meant for the saver ($line)"
done
echo "late window: below the saver and without the keyboard; the key ended the saver"
kill "$late_pid"

# The compositor going away ends the saver as the user would: nothing is left to restore.
start_saver /s
kill -TERM "$sway_pid"
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after the compositor went away"
echo "compositor gone: the saver ended with exit code 0"
echo "PASS"
