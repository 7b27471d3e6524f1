#!/usr/bin/env bash
# velmora.scr /p HWND under Wine: the saver puts its window inside a host window made by another
# process (a disabled visible child, style 0x58000000, class style CS_PARENTDC, covering the
# host's outer size), keeps running while the host is there, and ends with exit code 0 when the
# host destroys its window, and within a second when the host's process is killed (its windows
# then go without a message to the saver's thread).
# Wine renders a child window through its top-level window's surface, which lives in the
# process owning the top-level one, so what a child from another process draws does not reach
# the screen under Wine (Windows composes it). The screenshot therefore cannot show the dots;
# the child's placement and style are read back from the host's side instead.
# Usage: win_preview.sh VELMORA.SCR WINTOOL.EXE
source "$(dirname "$0")/win_lib.sh"
SCR=$1 WINTOOL=$2
need_files "$SCR" "$WINTOOL"
start_wine 1024x768

# start_host SECONDS OUT: a host window that destroys itself after SECONDS; sets host_pid and
# hwnd.
start_host() {
    wine "$WINTOOL" host "$1" >"$E2E_TMP/$2" &
    host_pid=$!
    E2E_PIDS+=($host_pid)
    wait_for 20000 test -s "$E2E_TMP/$2" || true
    hwnd=$(head -n1 "$E2E_TMP/$2" | tr -d '\r')
    [[ $hwnd =~ ^[0-9]+$ ]] || fail "the host window did not start ($hwnd)"
    echo "host window $hwnd"
}

start_host 8 host.out

wine_saver /p "$hwnd"
pid=$SAVER_PID
# Asked until the preview's window is in the host and shown (the saver creates it hidden and
# shows it once it is set up); the preview must still run then.
has_child() {
    children=$(wine "$WINTOOL" children "$hwnd" | tr -d '\r')
    grep -Eq 'title=Velmora .*style=[13579bdf][0-9a-f]{7} ' <<<"$children"
}
children=""
wait_for 15000 has_child || true
kill -0 "$pid" 2>/dev/null || fail "the preview ended while its host was there"
echo "$children"
[[ $(grep -c . <<<"$children") == 1 ]] || fail "expected one child window in the host"
grep -q 'title=Velmora ' <<<"$children" || fail "the child is not the saver window"
grep -q 'style=58000000 ' <<<"$children" || fail "the child's style is not WS_CHILD|WS_VISIBLE|WS_DISABLED"
grep -q 'classstyle=0080 ' <<<"$children" || fail "the child's class style is not CS_PARENTDC"
grep -q 'rect=0,0,320,240 ' <<<"$children" || fail "the child does not cover the host"
grep -q 'foreign=1' <<<"$children" || fail "the child does not belong to the saver's process"

# The host destroys its window after 8 s; the preview goes with it.
wait_exit "$host_pid" 15000
grep -q destroyed "$E2E_TMP/host.out" || fail "the host did not destroy its window"
wait_exit "$pid" 5000
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after the host window went"

start_host 60 host2.out
wine_saver /p "$hwnd"
pid=$SAVER_PID
wait_for 15000 has_child || fail "no preview window in the second host"
kill -0 "$pid" 2>/dev/null || fail "the second preview ended while its host was there"
# The Wine process itself, not the shell that started it.
host_process=$(pgrep -P "$host_pid") || fail "no Wine process under the host's shell"
kill -9 "$host_process"
start=$(now_us)
wait_exit "$pid" 1000
echo "the preview ended $((($(now_us) - start) / 1000)) ms after its host's process was killed"
[[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after the host's process was killed"
echo "PASS"
