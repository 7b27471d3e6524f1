#!/usr/bin/env bash
# Runs a test program under a private Xvfb.
# Usage: with_xvfb.sh PROGRAM [ARGS...]
source "$(dirname "$0")/lib.sh"
start_xvfb 640x480
"$@"
