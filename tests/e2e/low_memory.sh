#!/usr/bin/env bash
# Out of address space when the frame timer's thread is made: one clear line on standard error
# and exit code 1, not an abort through an uncaught exception.
# Usage: low_memory.sh VELMORA
source "$(dirname "$0")/lib.sh"
VELMORA=$1
start_xvfb 640x480
# A new thread's stack is as large as the stack limit: 4 GiB of it cannot fit in an address
# space of 1.5 GiB, while the saver itself does.
(ulimit -s 4194304 && ulimit -v 1572864 && exec "$VELMORA" /s) 2>"$E2E_TMP/err" &
pid=$!
wait_exit "$pid" 10000
cat "$E2E_TMP/err"
[[ $EXIT_CODE == 1 ]] || fail "exit code $EXIT_CODE under a small address space"
grep -q "^velmora: .*timer" "$E2E_TMP/err" || fail "no line about the timer: $(cat "$E2E_TMP/err")"
[[ $(wc -l <"$E2E_TMP/err") == 1 ]] || fail "more than one line"
echo "PASS"
