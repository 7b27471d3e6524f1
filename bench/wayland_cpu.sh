#!/usr/bin/env bash
# CPU and memory of `velmora /s` drawing on Wayland itself beside the same saver on X11: for each
# size, a headless sway (pixman renderer, no Xwayland) with one output of that size, then an
# Xvfb screen of that size, 20 seconds from launch each. Prints the CPU use of the saver and of
# its compositor or X server (percent of one core), sway's own use with nothing on screen, the
# saver's peak resident memory, and the Wayland saver's CPU as a multiple of the X11 saver's,
# from launch and after the first five seconds (buffers made: the steady drive).
# Not part of the test suite; takes about two minutes. As root it runs sway and the Wayland
# saver as the end-to-end tests' unprivileged user.
# Usage: bench/wayland_cpu.sh [BUILD_DIR] [SECONDS] [SIZE...]   (a Release build is best;
#        sizes 1920x1080 and 3840x2160 unless given)
BUILD=${1:-build/release}
SECONDS_RUN=${2:-20}
SIZES=("${@:3}")
((SECONDS_RUN > 5)) || { echo "SECONDS must exceed the 5 s warm-up" >&2; exit 1; }
((${#SIZES[@]})) || SIZES=(1920x1080 3840x2160)
VELMORA=$(realpath "$BUILD/platform/linux/velmora")
[[ -x $VELMORA ]] || { echo "no $VELMORA: build first" >&2; exit 1; }
command -v sway >/dev/null || { echo "no sway: scripts/deps.sh" >&2; exit 1; }
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$E2E_DIR/hostuser.sh"
TMP=$E2E_TMP
source "$E2E_DIR/../../bench/cpu_lib.sh"
trap 'bench_stop_xvfb; e2e_cleanup' EXIT
host_user_setup "$VELMORA"

mb() { awk -v r="$1" 'BEGIN{printf "%.1f", r/1024}'; }

echo "CPU over ${SECONDS_RUN} s from launch (percent of one core), peak resident memory"
base=("${AS_USER[@]}")
for size in "${SIZES[@]}"; do
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
    sleep "$WARMUP_SECONDS"
    warm=$(cpu_ns "$pid")
    woken=$(wakeups "$pid")
    sleep $((SECONDS_RUN - WARMUP_SECONDS))
    wayland=$(cpu_ns "$pid")
    steady=$((wayland - warm))
    steady_wakeups=$(($(wakeups "$pid") - woken))
    s1=$(cpu_ns "$sway")
    rss=$(peak_rss_kb "$pid")
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
    kill "$sway"
    wait "$sway" 2>/dev/null || true

    # The same saver drawing through X11 on a virtual screen of the same size.
    bench_start_xvfb "$size"
    bench_measure "$SECONDS_RUN" "$VELMORA" /s
    bench_stop_xvfb
    echo "$size:"
    echo "  Wayland: velmora $(percent "$wayland" "$SECONDS_RUN")  sway $(percent $((s1 - s0)) "$SECONDS_RUN")" \
        " (sway alone $(percent "$idle" 5))  peak RSS $(mb "$rss") MB"
    echo "  X11:     velmora $(percent "$SAVER_NS" "$SECONDS_RUN")  Xvfb $(percent "$SERVER_NS" "$SECONDS_RUN")" \
        "                    peak RSS $(mb "$SAVER_RSS_KB") MB"
    echo "  after the first ${WARMUP_SECONDS} s: Wayland velmora" \
        "$(percent "$steady" $((SECONDS_RUN - WARMUP_SECONDS)))  X11 velmora" \
        "$(percent "$SAVER_STEADY_NS" $((SECONDS_RUN - WARMUP_SECONDS)))"
    echo "  wakeups a second after them: Wayland velmora" \
        "$((steady_wakeups / (SECONDS_RUN - WARMUP_SECONDS)))  X11 velmora" \
        "$((SAVER_STEADY_WAKEUPS / (SECONDS_RUN - WARMUP_SECONDS)))"
    awk -v w="$wayland" -v x="$SAVER_NS" -v ws="$steady" -v xs="$SAVER_STEADY_NS" \
        'BEGIN { if (x > 0 && xs > 0)
                     printf "  Wayland saver / X11 saver: %.2fx from launch, %.2fx after it\n",
                            w / x, ws / xs }'
done

# What new memory costs here: the Wayland saver writes its first 4K buffer (33 MB) into fresh pages
# at its start, and a second one while the compositor holds the first (sway composing in software
# does; a compositor that copies the buffer and gives it back does not). The X11 saver draws into
# the X server's memory and pays nothing of the kind.
FRAME_BENCH=$BUILD/bench/velmora-bench-wayland-frame
if [[ -x $FRAME_BENCH ]]; then
    "$FRAME_BENCH" --benchmark_filter=BM_BlackBuffer --benchmark_format=csv 2>/dev/null |
        awk -F, '/fresh:1/ {fresh = $4} /fresh:0/ {again = $4}
                 END { if (fresh != "")
                           printf "A 4K buffer written black: %.1f ms of CPU in fresh memory," \
                                  " %.1f ms in memory already taken\n", fresh, again }'
fi

