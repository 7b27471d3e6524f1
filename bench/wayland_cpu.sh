#!/usr/bin/env bash
# CPU and memory of `velmora /s` drawing on Wayland itself beside the same saver on X11: for each
# size, a headless sway (pixman renderer, no Xwayland) with one output of that size, then an
# Xvfb screen of that size, 20 seconds from launch each. Prints the CPU use of the saver and of
# its compositor or X server (percent of one core), sway's own use with nothing on screen, the
# saver's peak resident memory, and the Wayland saver's CPU as a multiple of the X11 saver's,
# from launch and after the first five seconds (buffers made: the steady drive). A shared machine's
# figures vary from run to run by a third and more: each size is run ROUNDS times (3 unless set),
# Wayland and X11 in turn, and the medians are compared.
# Not part of the test suite; takes about five minutes. As root it runs sway and the Wayland
# saver as the end-to-end tests' unprivileged user.
# Usage: [ROUNDS=N] bench/wayland_cpu.sh [BUILD_DIR] [SECONDS] [SIZE...]   (a Release build is
#        best; sizes 1920x1080 and 3840x2160 unless given)
BUILD=${1:-build/release}
SECONDS_RUN=${2:-20}
SIZES=("${@:3}")
ROUNDS=${ROUNDS:-3}
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

# median VALUE...: the middle one (the mean of the middle two of an even count).
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
steady_seconds=$((SECONDS_RUN - WARMUP_SECONDS))

echo "CPU over ${SECONDS_RUN} s from launch (percent of one core), peak resident memory; ${ROUNDS} rounds"
base=("${AS_USER[@]}")
for size in "${SIZES[@]}"; do
    w_all=() w_steady=() w_wake=() w_comp=() w_idle=() x_all=() x_steady=() x_wake=() x_server=()
    echo "$size:"
    for ((round = 1; round <= ROUNDS; round++)); do
        # noscanout: sway composes every frame, as it must on real outputs for shared-memory
        # buffers.
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
        sleep "$steady_seconds"
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

        w_all+=("$wayland") w_steady+=("$steady") w_wake+=("$steady_wakeups")
        w_comp+=($((s1 - s0))) w_idle+=("$idle")
        x_all+=("$SAVER_NS") x_steady+=("$SAVER_STEADY_NS") x_wake+=("$SAVER_STEADY_WAKEUPS")
        x_server+=("$SERVER_NS")
        echo "  round $round: Wayland velmora $(percent "$wayland" "$SECONDS_RUN")" \
            "(after the first ${WARMUP_SECONDS} s $(percent "$steady" "$steady_seconds")," \
            "peak RSS $(mb "$rss") MB)  X11 velmora $(percent "$SAVER_NS" "$SECONDS_RUN")" \
            "($(percent "$SAVER_STEADY_NS" "$steady_seconds"), peak RSS $(mb "$SAVER_RSS_KB") MB)"
    done
    wayland=$(median "${w_all[@]}") steady=$(median "${w_steady[@]}")
    x11=$(median "${x_all[@]}") x11_steady=$(median "${x_steady[@]}")
    echo "  medians:"
    echo "    Wayland: velmora $(percent "$wayland" "$SECONDS_RUN")  sway $(percent "$(median "${w_comp[@]}")" "$SECONDS_RUN")" \
        " (sway alone $(percent "$(median "${w_idle[@]}")" 5))"
    echo "    X11:     velmora $(percent "$x11" "$SECONDS_RUN")  Xvfb $(percent "$(median "${x_server[@]}")" "$SECONDS_RUN")"
    echo "    after the first ${WARMUP_SECONDS} s: Wayland velmora $(percent "$steady" "$steady_seconds")" \
        " X11 velmora $(percent "$x11_steady" "$steady_seconds")"
    echo "    wakeups a second after them: Wayland velmora" \
        "$(($(median "${w_wake[@]}" | cut -d. -f1) / steady_seconds))  X11 velmora" \
        "$(($(median "${x_wake[@]}" | cut -d. -f1) / steady_seconds))"
    awk -v w="$wayland" -v x="$x11" -v ws="$steady" -v xs="$x11_steady" \
        'BEGIN { if (x > 0 && xs > 0)
                     printf "    Wayland saver / X11 saver: %.2fx from launch, %.2fx after it\n",
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

