#!/usr/bin/env bash
# How soon velmora-idle acts on KDE's policy agent saying its inhibitions changed: on a private
# session bus with the policy agent's stand-in (tests/e2e/sessionbus_peer.cpp) and an Xvfb display
# for the idle time, the stand-in says InhibitionsChanged ROUNDS times, alternately inhibited and
# not, and notes when velmora-idle's HasInhibition question arrives. velmora-idle decides as its
# answer comes in, one bus hop after the stand-in sends it, so the decision follows the signal by
# about the time printed plus one such hop. Prints the median, 90th percentile and largest
# signal-to-question time, idle and with the bus under a flood of other signals.
# Not part of the test suite; takes a few seconds. As root it runs the programs as the end-to-end
# tests' unprivileged user.
# Usage: bench/policy_agent_latency.sh [BUILD_DIR] [ROUNDS]
BUILD=${1:-build/release}
ROUNDS=${2:-200}
VELMORA=$(realpath "$BUILD/platform/linux/velmora")
IDLE=$(realpath "$BUILD/platform/linux/velmora-idle")
PEER=$(realpath "$BUILD/tests/e2e/sessionbus-peer")
for program in "$VELMORA" "$IDLE" "$PEER"; do
    [[ -x $program ]] || { echo "no $program: build first" >&2; exit 1; }
done
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$E2E_DIR/hostuser.sh"
idle_host_setup "$VELMORA" "$IDLE" "$PEER"
talk bus "${AS_USER[@]}" dbus-daemon --session --nofork --print-address
read -r -t 10 address <&"$bus_out" || fail "dbus-daemon did not start"
AS_USER+=("DBUS_SESSION_BUS_ADDRESS=$address")
times=$XDG_RUNTIME_DIR/agent.times
talk agent "${AS_USER[@]}" sh -c 'exec sessionbus-peer policy-agent --times 2>"$0"' "$times"
read -r -t 5 word <&"$agent_out" && [[ $word == ready ]] || fail "the stand-in did not start"
"${AS_USER[@]}" velmora-idle --timeout 600 >"$E2E_DAEMON_LOG" 2>&1 &
E2E_PIDS+=($!)
wait_for 5000 grep -q "watching the idle time" "$E2E_DAEMON_LOG" || fail "velmora-idle did not start"
wait_for 3000 grep -q "^asked" "$times" || fail "velmora-idle did not ask the agent at its start"

# asked_more N: more than N questions have come.
asked_more() { (($(grep -c "^asked" "$times") > $1)); }
# rounds N: N changes, each once the question of the one before has come.
rounds() {
    local i asked
    for ((i = 0; i < $1; i++)); do
        asked=$(grep -c "^asked" "$times")
        echo "held $(((i % 2) * 4))" >&"$agent_in"
        read -r -t 5 word <&"$agent_out" && [[ $word == done ]] || fail "the stand-in did not say it"
        wait_for 3000 asked_more "$asked" ||
            { tail -n 8 "$times" >&2; fail "no question after change $i"; }
    done
}
# report LABEL: the signal-to-question times of the rounds since the mark.
report() {
    tail -n +"$mark" "$times" |
        awk '/^changed/ { sent = $2 } /^asked/ && sent { print $2 - sent; sent = 0 }' | sort -n |
        awk -v label="$1" '{ d[n++] = $1 }
            END {
                printf "%s: %d changes, signal to question median %.2f ms, p90 %.2f ms, max %.2f ms\n",
                    label, n, d[int(n / 2)] / 1000, d[int(n * 0.9)] / 1000, d[n - 1] / 1000
            }'
}
mark=$(($(wc -l <"$times") + 1))
rounds "$ROUNDS"
report "quiet bus"
# Another client flooding the bus with signals velmora-idle listens to (GNOME's session manager
# saying its properties changed, which velmora-idle answers with a read of its flags).
talk flood "${AS_USER[@]}" sessionbus-peer silent-session
read -r -t 5 word <&"$flood_out" && [[ $word == ready ]] || fail "the flooding peer did not start"
mark=$(($(wc -l <"$times") + 1))
rounds "$ROUNDS"
report "beside a peer that does not answer"
