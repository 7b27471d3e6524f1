#!/usr/bin/env bash
# A second launch while the saver runs exits at once with code 0 and leaves the first running.
# Usage: second_instance.sh VELMORA
source "$(dirname "$0")/lib.sh"
VELMORA=$1
start_xvfb 1024x768

"$VELMORA" /s &
first=$!
E2E_PIDS+=($first)
window=$(wait_window Velmora 5)

for mode in /s /c /p; do
    "$VELMORA" $mode &
    second=$!
    wait_exit "$second" 1000
    [[ $EXIT_CODE == 0 ]] || fail "second launch ($mode) exit code $EXIT_CODE"
done

sleep 0.3  # time for a first instance that the second launches wrongly ended to go
state=$(proc_state "$first")
[[ -n $state && $state != Z ]] || fail "the first instance ended"
[[ $(xdotool search --onlyvisible --name '^Velmora$' | head -n1) == "$window" ]] ||
    fail "the first instance's window is gone"

key_to_saver space
wait_exit "$first" 1000
[[ $EXIT_CODE == 0 ]] || fail "first instance exit code $EXIT_CODE"

# The marker went with the first instance: a new launch runs normally.
show_saver /s
third=$pid
key_to_saver space
wait_exit "$third" 1000
[[ $EXIT_CODE == 0 ]] || fail "launch after the first ended: exit code $EXIT_CODE"
echo "PASS"
