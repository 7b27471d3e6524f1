#!/usr/bin/env bash
# Velmora under Debian's XScreenSaver daemon, set up as the README says, on a display with two
# screens: activation starts one hack per screen and each draws the drive on its own screen and
# keeps running (a hack that exits gets XScreenSaver's "crashed" box); deactivation and the
# daemon's exit leave no saver running. The settings program's preview (velmora.xml installed)
# draws inside its preview area and ends with the program.
# Usage: xscreensaver.sh VELMORA VELMORA_XML [SHOTS_DIR]
#   (SHOTS_DIR: where to keep the two screens' images)
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
VELMORA=$1
XML=$2
SHOTS=${3:-}
command -v xscreensaver >/dev/null || fail "xscreensaver is not installed (scripts/deps.sh)"
host_user_setup "$VELMORA"
start_xvfb 1024x768 800x600
AS_USER+=("DISPLAY=$DISPLAY")

# The README's line, as a user would paste it.
line=$(grep -m1 -E '^ +"Velmora" +velmora ' "$E2E_DIR/../../README.md") ||
    fail "README has no programs line for Velmora"
printf '%s\n' "mode: one" "selected: 0" "timeout: 0:30:00" "lock: False" "splash: False" \
    "fade: False" "unfade: False" "dpmsEnabled: False" 'programs: \' "$line" "" \
    >"$E2E_HOME/.xscreensaver"
((EUID != 0)) || chown "$E2E_USER:" "$E2E_HOME/.xscreensaver"

"${AS_USER[@]}" xscreensaver -no-splash -verbose >"$E2E_TMP/daemon.log" 2>&1 &
daemon=$!
E2E_PIDS+=($daemon)
command_daemon() { "${AS_USER[@]}" xscreensaver-command "$@" >/dev/null 2>&1; }
end=$((SECONDS + 10))
until command_daemon -time; do
    ((SECONDS > end)) && { cat "$E2E_TMP/daemon.log" >&2; fail "the daemon did not start"; }
    sleep 0.1
done

# lit_on SCREEN X Y W H: lit_fraction on one screen of the display.
lit_on() { DISPLAY=${DISPLAY%.*}.$1 lit_fraction "${@:2}"; }

command_daemon -activate || fail "xscreensaver-command -activate failed"
wait_savers 2 10 "--root"
# Each screen's hack draws its own drive: asked until stars and road show on both.
# drive_on: whether screen $n, $w x $h, shows both; sets sky and road.
drive_on() {
    sky=$(lit_on "$n" 0 $((h / 12)) "$w" $((h / 4)))
    road=$(lit_on "$n" 0 $((h * 11 / 20)) "$w" $((h * 9 / 20)))
    more_than "$sky" 0.00005 && more_than "$road" 0.00002
}
for screen in 0:1024:768 1:800:600; do
    IFS=: read -r n w h <<<"$screen"
    sky=0 road=0
    wait_for 5000 drive_on || fail "screen $n: no stars ($sky) or no road ($road)"
    echo "screen $n: sky $sky road $road"
    if more_than "$road" 0.05; then fail "screen $n: more than a road ($road)"; fi
    [[ -z $SHOTS ]] || xwd -root -silent -display "${DISPLAY%.*}.$n" |
        convert xwd:- "$SHOTS/xscreensaver-screen$n.png"
done
sleep 2  # time for a hack that fails after its start to end
wait_savers 2 0 "--root"
if grep -E 'crash|abnormal|exited|couldn.t' "$E2E_TMP/daemon.log" | grep -v 'xscreensaver-\(systemd\|auth\|gl-visual\)'; then
    fail "the daemon saw a hack end"
fi

command_daemon -deactivate || fail "xscreensaver-command -deactivate failed"
wait_savers 0 5

# The settings program previews the selected hack in a window of its own (--window-id).
installed_xml=
xml_dir=/usr/share/xscreensaver/config
if ((EUID == 0)) && [[ -d $xml_dir && ! -e $xml_dir/velmora.xml ]]; then
    cp "$XML" "$xml_dir/velmora.xml"
    installed_xml=$xml_dir/velmora.xml
    trap '[[ -z $installed_xml ]] || rm -f "$installed_xml"; e2e_cleanup' EXIT
fi
"${AS_USER[@]}" NO_AT_BRIDGE=1 xscreensaver-settings >"$E2E_TMP/settings.log" 2>&1 &
settings=$!
E2E_PIDS+=($settings)
wait_savers 1 15 "--window-id"
preview=$(saver_pids)
window=$(tr '\0' '\n' <"/proc/$preview/cmdline" | grep -A1 -x -- '-*window-id' | tail -n1)
read -r x y w h < <(xwininfo -id "$window" | awk '/Absolute upper-left X:/ {x=$4}
    /Absolute upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
preview_drawn() {
    inside=$(lit_fraction "$x" "$y" "$w" "$h")
    more_than "$inside" 0.0005 && ! more_than "$inside" 0.3
}
inside=0
wait_for 5000 preview_drawn || fail "nothing drawn in the preview ($inside)"
echo "preview ${w}x${h}+$x+$y: lit $inside"
xwininfo -children -id "$window" | grep -q '"Velmora"' || fail "no saver window inside the preview"
if grep -i 'velmora' "$E2E_TMP/settings.log"; then fail "the settings program complained"; fi
kill -TERM "$settings"
wait_exit "$settings" 5000
wait_savers 0 3

command_daemon -activate || fail "xscreensaver-command -activate failed"
wait_savers 2 10 "--root"
command_daemon -exit || fail "xscreensaver-command -exit failed"
wait_exit "$daemon" 5000
wait_savers 0 3
echo "PASS"
