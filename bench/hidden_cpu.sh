#!/usr/bin/env bash
# CPU and wakeups of `velmora /s` while it can be seen and while nobody can see it, on X11 and on
# Wayland. Each phase lasts SECONDS: seen, hidden, seen again. Hidden on X11 (Xvfb, 1920x1080)
# means a window over the whole of it, then the monitors off through DPMS (`xset dpms force off`,
# where the server can); on Wayland (a headless sway, no Xwayland) the saver's workspace switched
# away from, then swaylock over it (unlocked by SIGUSR1), then the output powered off (`swaymsg "output * dpms off"`, where sway can). Prints the saver's CPU use (percent of one core) and its
# wakeups a second (voluntary context switches of all its threads) for each phase.
# Not part of the test suite; takes about two minutes. As root it runs sway and the saver as the
# end-to-end tests' unprivileged user.
# Usage: bench/hidden_cpu.sh [BUILD_DIR] [SECONDS]   (BUILD_DIR: a Release build is best)
BUILD=${1:-build/release}
PHASE=${2:-10}
VELMORA=$(realpath "$BUILD/platform/linux/velmora")
HOSTWINDOW=$(realpath "$BUILD/tests/e2e/velmora-e2e-host" 2>/dev/null)
[[ -x $VELMORA ]] || { echo "no $VELMORA: build first" >&2; exit 1; }
[[ -x $HOSTWINDOW ]] || { echo "no velmora-e2e-host: build first" >&2; exit 1; }
command -v sway >/dev/null || { echo "no sway: scripts/deps.sh" >&2; exit 1; }
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$E2E_DIR/hostuser.sh"
host_user_setup "$VELMORA"
cp "$HOSTWINDOW" "$E2E_BIN/velmora-e2e-host"
chmod a+rx "$E2E_BIN"/*

# phase NAME PID: measures PHASE seconds from now and prints one line.
phase() {
    local c0 w0 c1 w1
    c0=$(cpu_ns "$2")
    w0=$(wakeups "$2")
    sleep "$PHASE"
    c1=$(cpu_ns "$2")
    w1=$(wakeups "$2")
    awk -v n="$1" -v c=$((c1 - c0)) -v w=$((w1 - w0)) -v s="$PHASE" \
        'BEGIN { printf "  %-34s CPU %6.2f%%   wakeups %7.1f/s\n", n, 100 * c / 1e9 / s, w / s }'
}

base=("${AS_USER[@]}")
echo "velmora /s: CPU (percent of one core) and wakeups a second, ${PHASE} s a phase"

echo "X11 (Xvfb 1920x1080):"
start_xvfb 1920x1080
AS_USER=("${base[@]}" "DISPLAY=$DISPLAY")
"${AS_USER[@]}" velmora /s --x11 &
pid=$!
E2E_PIDS+=($pid)
sleep 2
phase "seen" "$pid"
coproc COVER { exec "${AS_USER[@]}" velmora-e2e-host 1920 1080 0 0; }
E2E_PIDS+=($COVER_PID)
read -r _ <&"${COVER[0]}"
sleep 1
phase "covered by a window" "$pid"
eval "exec ${COVER[1]}>&-"
wait "$COVER_PID" 2>/dev/null || true
sleep 1
phase "seen again" "$pid"
if xset dpms force off 2>/dev/null && xset q | grep -q "Monitor is Off"; then
    sleep 3
    phase "monitors off (DPMS)" "$pid"
    xset dpms force on
    sleep 3
    phase "monitors on again" "$pid"
else
    echo "  (this X server does not power its monitors off: no DPMS figures)"
fi
kill -TERM "$pid"
wait "$pid" 2>/dev/null || true

echo "Wayland (headless sway 1920x1080):"
AS_USER=("${base[@]}")
start_sway -- "xwayland disable" "output HEADLESS-1 resolution 1920x1080"
AS_USER=("${base[@]}" "WAYLAND_DISPLAY=$SWAY_WAYLAND" "SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)")
"${AS_USER[@]}" velmora /s &
pid=$!
E2E_PIDS+=($pid)
sleep 2
phase "seen" "$pid"
user swaymsg 'workspace 9' >/dev/null
sleep 2
phase "on a workspace not shown" "$pid"
user swaymsg 'workspace back_and_forth' >/dev/null
sleep 1
phase "shown again" "$pid"
user swaylock -f -c 000000
sleep 2
phase "under swaylock" "$pid"
for locker in $(pgrep -r R,S,D -u "$(user id -un)" -x swaylock); do kill -USR1 "$locker"; done
sleep 1
phase "unlocked" "$pid"
user swaymsg 'output * dpms off' >/dev/null
sleep 2
if user swaymsg -t get_outputs | grep -qE '"(dpms|power)": false'; then
    phase "output powered off" "$pid"
    user swaymsg 'output * dpms on' >/dev/null
    sleep 1
    phase "powered on again" "$pid"
else
    echo "  (this sway does not power its headless output off: no power-off figures)"
fi
kill -TERM "$pid"
wait "$pid" 2>/dev/null || true
