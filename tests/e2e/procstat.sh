# A process's own account of itself, over all its threads; shared by the end-to-end tests and the
# benchmarks. Source it.

# CPU time in nanoseconds (the scheduler's own account: clock ticks are too coarse for a saver
# that uses a fraction of a percent).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%d\n", s}'; }
# Times its threads have gone to sleep and woken again.
wakeups() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches:/ {s += $2} END {print s + 0}'; }
# wakeups_within PID LOW HIGH: its wakeups over the next second lie between LOW and HIGH; for
# wait_for (a saver drawing wakes at each frame, one that nobody sees a few times a second at most).
wakeups_within() {
    local before woken
    before=$(wakeups "$1")
    sleep 1
    woken=$(($(wakeups "$1") - before))
    ((woken >= $2 && woken <= $3))
}
