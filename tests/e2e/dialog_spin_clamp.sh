#!/usr/bin/env bash
# Typing 99 in the spin field and leaving it with Tab shows 50, and OK stores 50; typing 99 and
# pressing Enter in the field stores the uncommitted 99. Letters are dropped, editing keys work.
. "$(dirname "$0")/dialog_lib.sh"

start_dialog "$@"
type_text 99
send_keys Tab   # leaves the field: 99 becomes 50; the focus is on OK
send_keys Return
wait_closed
expect_value Speed '"50"'

start_dialog "$@"
type_text 99
send_keys Return
wait_closed
expect_value Speed '"99"'

# A stored 99 shows as 50; the up arrow stays at 50 and OK stores it.
start_dialog "$@"
send_keys Up Return
wait_closed
expect_value Speed '"50"'

# Letters are dropped as they are typed.
start_dialog "$@"
type_text 2x0
send_keys Return
wait_closed
expect_value Speed '"20"'
# Delete is an editing key, not a typed character: it removes the character after the cursor.
start_dialog "$@"
send_keys Right Left Left Delete
type_text 4
send_keys Return
wait_closed
expect_value Speed '"40"'
echo "ok: spin field clamps"
