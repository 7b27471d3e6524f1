#!/usr/bin/env bash
# CPU and memory of `velmora /s` on a virtual display, beside XScreenSaver's galaxy hack run the
# same way: for each screen size, 20 seconds from launch, the CPU use of the saver and of the X
# server (percent of one core), the saver's peak resident memory, and velmora's time from launch
# to the first road pixel. Not part of the test suite; takes about two minutes.
# Usage: bench/saver_cpu.sh [BUILD_DIR] [SECONDS]   (BUILD_DIR: a Release build is best)
set -euo pipefail

BUILD=${1:-build/release}
SECONDS_RUN=${2:-20}
VELMORA=$BUILD/platform/linux/velmora
FIRSTPIXEL=$BUILD/bench/velmora-bench-firstpixel
GALAXY=/usr/libexec/xscreensaver/galaxy
[[ -x $VELMORA ]] || { echo "no $VELMORA: build first" >&2; exit 1; }
[[ -x $GALAXY ]] || { echo "no $GALAXY: apt-get install xscreensaver-data" >&2; exit 1; }

TMP=$(mktemp -d /tmp/velmora-bench.XXXXXX)
export XDG_CONFIG_HOME=$TMP/config XDG_RUNTIME_DIR=$TMP/run
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset XSCREENSAVER_WINDOW
source "$(dirname "$0")/cpu_lib.sh"
cleanup() {
    bench_stop_xvfb
    rm -rf "$TMP"
}
trap cleanup EXIT

# measure NAME COMMAND...: runs the command for SECONDS_RUN seconds and prints one line.
measure() {
    local name=$1
    shift
    bench_measure "$SECONDS_RUN" "$@"
    awk -v n="$name" -v p="$SAVER_NS" -v x="$SERVER_NS" -v s="$SECONDS_RUN" -v r="$SAVER_RSS_KB" \
        'BEGIN { sp = 100 * p / 1e9 / s; xp = 100 * x / 1e9 / s;
                 printf "  %-8s saver %5.2f%%  X server %5.2f%%  together %5.2f%%  peak RSS %6.1f MB\n",
                        n, sp, xp, sp + xp, r / 1024 }'
}

echo "CPU over ${SECONDS_RUN} s from launch (percent of one core), peak resident memory"
for size in 1920x1080 3840x2160; do
    bench_start_xvfb "$size"
    echo "$size:"
    # First, while the screen is still black: galaxy leaves its stars on the root window.
    if [[ -x $FIRSTPIXEL ]]; then
        times=()
        for _ in 1 2 3; do
            times+=("$("$FIRSTPIXEL" 2000 "$VELMORA" /s)")
            sleep 0.3
        done
        first="${times[*]}"
    fi
    measure velmora "$VELMORA" /s
    measure galaxy "$GALAXY" -root
    [[ -n ${first:-} ]] && echo "  velmora first road pixel after launch (ms, three launches): $first"
    bench_stop_xvfb
done
