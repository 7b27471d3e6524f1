#!/usr/bin/env bash
# Run mode on an X display with two monitors: Xwayland under a headless sway with two outputs.
# The drive fills the primary monitor and the other one turns black, hiding what is on it; any
# key or button ends the saver, wherever the pointer is, while the wheel and motion beside the
# drive do not; then the other monitor shows its windows again. With another output made primary
# the drive moves there. DispMode 1 switches the primary monitor alone. `velmora --window` opens
# an ordinary window that the window manager closes. (--x11: with WAYLAND_DISPLAY set the saver
# would draw on Wayland itself, which wayland.sh tests.)
# Usage: sway.sh VELMORA HOSTWINDOW RANDRMODE
source "$(dirname "$0")/lib.sh"
source "$E2E_DIR/hostuser.sh"
VELMORA=$1
require_programs sway
host_user_setup "$VELMORA"
cp "$2" "$E2E_BIN/velmora-e2e-host"
cp "$3" "$E2E_BIN/velmora-e2e-randrmode"
chmod a+rx "$E2E_BIN"/*

sway_session -- "xwayland enable" \
    "output HEADLESS-1 resolution 1024x768 position 0 0" \
    "output HEADLESS-2 resolution 800x600 position 1024 0"

user swaymsg create_output >/dev/null
two_monitors() { [[ $(user velmora-e2e-randrmode monitors 2>/dev/null | wc -l) == 2 ]]; }
wait_for 15000 two_monitors || fail "Xwayland has not two monitors: $(user velmora-e2e-randrmode monitors)"
session_keyboard
# Something on the second monitor: a white window at (1100, 100).
coproc HOST { exec "${AS_USER[@]}" velmora-e2e-host 300 200 1100 100; }
E2E_PIDS+=($HOST_PID)
read -r _ <&"${HOST[0]}"

# The saver's window is up (start_saver).
saver_shown() { user xdotool search --onlyvisible --name '^Velmora$' >/dev/null 2>&1; }

# The white window shows on the second output (once sway has composed it); sets host_lit.
host_window_shown() {
    host_lit=$(lit_in HEADLESS-2 76 100 300 200)
    more_than "$host_lit" 0.9
}
wait_for 5000 host_window_shown || fail "the white window is not on the second output ($host_lit)"

start_saver /s --x11
echo -n "primary monitor: "
expect_drive_on HEADLESS-1 1024x768 420 HEADLESS-2 800x600 sky
# Over the other monitor: motion and the wheel go on, a button ends.
user xdotool mousemove 1300 300 sleep 0.1 mousemove 1400 400 click 4 click 5
sleep 0.3
running "$pid" || fail "motion or the wheel over the other monitor ended the saver"
user xdotool click 1
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a click on the other monitor"
wait_for 5000 host_window_shown || fail "the other monitor stays covered ($host_lit)"

# A key, through sway's own keyboard path.
start_saver /s --x11
wtype_to_saver Escape
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after a key"

# The second output as the primary one: the drive goes there.
user velmora-e2e-randrmode primary 1
start_saver /s --x11
echo -n "second output primary: "
expect_drive_on HEADLESS-2 800x600 330 HEADLESS-1 1024x768
wtype_to_saver Escape
wait_exit "$pid" 3000

# DispMode 1 switches the primary monitor alone to 640x480: Xwayland shows the saver's 640x480
# scaled over the whole of it (town lights right of x=640), the other monitor stays black.
user velmora-e2e-randrmode primary 0
dispmode1_drive /s --x11
[[ $(user velmora-e2e-randrmode monitors | tr '\n' ' ') == "1024x768+0+0* 800x600+1024+0 " ]] ||
    fail "monitors after DispMode 1: $(user velmora-e2e-randrmode monitors)"
rm -f "$XDG_CONFIG_HOME/velmora/user.reg"

# A window of its own: managed by sway, closed by it.
"${AS_USER[@]}" velmora --window --x11 &
pid=$!
E2E_PIDS+=($pid)
end=$((SECONDS + 5))
until user swaymsg -t get_tree | grep -q '"class": "Velmora"'; do
    ((SECONDS > end)) && fail "sway manages no Velmora window"
    sleep 0.1
done
sleep 1
running "$pid" || fail "velmora --window ended by itself"
user swaymsg -t get_tree >"$E2E_HOME/tree.json"
python3 - "$E2E_HOME/tree.json" <<'PY' || fail "the window is not a 640x480 floating window"
import json, sys
def find(node):
    if (node.get("window_properties") or {}).get("class") == "Velmora":
        return node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        found = find(child)
        if found:
            return found
node = find(json.load(open(sys.argv[1])))
print("window:", node["type"], node["window_rect"])
sys.exit(not (node["type"] == "floating_con" and node["window_rect"]["width"] == 640
              and node["window_rect"]["height"] == 480))
PY
user swaymsg '[class="Velmora"] kill' >/dev/null
wait_exit "$pid" 2000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after sway closed the window"
echo "PASS"
