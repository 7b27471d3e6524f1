#!/usr/bin/env bash
# CPU and memory of `velmora /s` drawing on Wayland itself: a headless sway (pixman renderer, no
# Xwayland) with one output of each size, 20 seconds from launch. Prints the CPU use of the saver
# and of sway (percent of one core), sway's own use with nothing on screen for comparison, and
# the saver's peak resident memory. Run bench/saver_cpu.sh for the same figures under X11.
# Not part of the test suite; takes about a minute. As root it runs sway and the saver as the
# end-to-end tests' unprivileged user.
# Usage: bench/wayland_cpu.sh [BUILD_DIR] [SECONDS]   (BUILD_DIR: a Release build is best)
BUILD=${1:-build/release}
SECONDS_RUN=${2:-20}
VELMORA=$(realpath "$BUILD/platform/linux/velmora")
[[ -x $VELMORA ]] || { echo "no $VELMORA: build first" >&2; exit 1; }
command -v sway >/dev/null || { echo "no sway: scripts/deps.sh" >&2; exit 1; }
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$E2E_DIR/hostuser.sh"
host_user_setup "$VELMORA"

cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%d\n", s}'; }
peak_rss_kb() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status"; }
percent() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%5.2f%%", 100 * n / 1e9 / s }'; }

echo "CPU over ${SECONDS_RUN} s from launch (percent of one core), peak resident memory"
base=("${AS_USER[@]}")
for size in 1920x1080 3840x2160; do
    # noscanout: sway composes every frame, as it must on real outputs for shared-memory buffers.
    AS_USER=("${base[@]}")
    start_sway -D noscanout -- "xwayland disable" "output HEADLESS-1 resolution $size"
    sway=$SWAY_PID
    AS_USER=("${base[@]}" "WAYLAND_DISPLAY=$SWAY_WAYLAND")
    sleep 1
    s0=$(cpu_ns "$sway")
    sleep 5
    idle=$(($(cpu_ns "$sway") - s0))

    s0=$(cpu_ns "$sway")
    "${AS_USER[@]}" velmora /s &
    pid=$!
    E2E_PIDS+=($pid)
    sleep "$SECONDS_RUN"
    p1=$(cpu_ns "$pid")
    s1=$(cpu_ns "$sway")
    rss=$(peak_rss_kb "$pid")
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$size:"
    echo "  velmora $(percent "$p1" "$SECONDS_RUN")  sway $(percent $((s1 - s0)) "$SECONDS_RUN")" \
        " (sway alone $(percent "$idle" 5))  peak RSS $(awk -v r="$rss" 'BEGIN{printf "%.1f", r/1024}') MB"
    kill "$sway"
    wait "$sway" 2>/dev/null || true
done
