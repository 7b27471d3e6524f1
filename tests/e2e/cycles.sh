#!/usr/bin/env bash
# Start and end the saver many times in a row: every run shows its window, ends with code 0
# within a second of a key press, and leaves no process behind.
# Usage: cycles.sh VELMORA [COUNT]
source "$(dirname "$0")/lib.sh"
VELMORA=$1
COUNT=${2:-200}
start_xvfb 800x600

for ((i = 1; i <= COUNT; i++)); do
    "$VELMORA" /s 2>>"$E2E_TMP/stderr" &
    pid=$!
    wait_window Velmora 5 >/dev/null
    # Every other run ends while the banner is still being drawn, the rest a little later.
    ((i % 2)) || sleep 0.05
    key_to_saver space
    wait_exit "$pid" 2000
    [[ $EXIT_CODE == 0 ]] || fail "cycle $i: exit code $EXIT_CODE"
done
if [[ -s $E2E_TMP/stderr ]]; then
    cat "$E2E_TMP/stderr" >&2
    fail "the saver wrote to stderr"
fi
# Only this script's own children: other tests may run savers of the same build meanwhile.
left=$(pgrep -P $$ -x "$(basename "$VELMORA")" || true)
[[ -z $left ]] || fail "processes left behind: $left"
echo "PASS ($COUNT cycles)"
