#!/usr/bin/env bash
# velmora-idle's cost while it waits: runs it under Xvfb (MIT-SCREEN-SAVER, the one source it
# polls) with the default ten-minute delay for SECONDS (default 60) and prints its CPU time, its
# wake-ups (voluntary context switches) and its resident memory.
# Usage: bench/idle_cpu.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$1
seconds=${2:-60}
tmp=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
xvfb=$!
trap 'kill $idle $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 50); do [[ -s $tmp/display ]] && break; sleep 0.1; done
mkdir -m 700 "$tmp/run"
env -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS DISPLAY=":$(cat "$tmp/display")" \
    XDG_RUNTIME_DIR="$tmp/run" XDG_CONFIG_HOME="$tmp/config" \
    "$build/platform/linux/velmora-idle" 2>/dev/null &
idle=$!
sleep 1
ticks() { awk '{print $14 + $15}' "/proc/$idle/stat"; }
switches() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$idle/status"; }
t0=$(ticks) s0=$(switches)
sleep "$seconds"
t1=$(ticks) s1=$(switches)
hz=$(getconf CLK_TCK)
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$idle/status")
awk -v t=$((t1 - t0)) -v hz="$hz" -v s="$seconds" -v w=$((s1 - s0)) -v rss="$rss" 'BEGIN {
    printf "velmora-idle waiting on X11 for %d s: CPU %.2f s (%.3f%% of a core), %d wake-ups (%.2f/s), RSS %d KiB\n",
        s, t / hz, 100 * t / hz / s, w, w / s, rss }'
