# Shared by the CPU benchmarks: the scheduler's account of a process's CPU time, its peak memory,
# and a private Xvfb to run a saver on. Source it after setting TMP to a scratch folder.

source "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e/procstat.sh"
peak_rss_kb() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status"; }
# percent NANOSECONDS SECONDS: the share of one core.
percent() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%5.2f%%", 100 * n / 1e9 / s }'; }

# bench_start_xvfb WIDTHxHEIGHT: a private X server of that size; sets DISPLAY and XVFB_PID.
XVFB_PID=
bench_start_xvfb() {
    local fifo=$TMP/displayfd number
    rm -f "$fifo"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
    XVFB_PID=$!
    read -r -t 10 number <"$fifo"
    export DISPLAY=":$number"
}

bench_stop_xvfb() {
    [[ -n $XVFB_PID ]] || return 0
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
}

# The first seconds of a run, where a saver sets up its buffers; what comes after is the steady
# drive.
WARMUP_SECONDS=5

# bench_measure SECONDS COMMAND...: runs the command on the X server for SECONDS seconds from
# launch; sets SAVER_NS, SERVER_NS (the X server's CPU time meanwhile), SAVER_STEADY_NS (the
# saver's after the warm-up), SAVER_STEADY_WAKEUPS (its threads' wakeups then) and SAVER_RSS_KB.
bench_measure() {
    local seconds=$1 x0 pid warm
    shift
    x0=$(cpu_ns "$XVFB_PID")
    "$@" &
    pid=$!
    # A run no longer than the warm-up has no steady part: it counts as steady whole.
    local warmup=$((seconds > WARMUP_SECONDS ? WARMUP_SECONDS : 0))
    sleep "$warmup"
    warm=$(cpu_ns "$pid")
    local woken
    woken=$(wakeups "$pid")
    sleep $((seconds - warmup))
    SAVER_NS=$(cpu_ns "$pid")
    SAVER_STEADY_NS=$((SAVER_NS - warm))
    SAVER_STEADY_WAKEUPS=$(($(wakeups "$pid") - woken))
    SERVER_NS=$(($(cpu_ns "$XVFB_PID") - x0))
    SAVER_RSS_KB=$(peak_rss_kb "$pid")
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
}
