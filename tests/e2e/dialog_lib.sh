# Shared by the dialog_*.sh end-to-end tests: a private virtual display and configuration
# directory, the dialog started on them, keys sent to it, and the file it leaves.
# Usage from a test: . dialog_lib.sh; start_dialog COMMAND...; send_keys KEY...; wait_closed

set -euo pipefail

work=$(mktemp -d /tmp/velmora-e2e.XXXXXX)
export XDG_CONFIG_HOME="$work/config" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
reg_file="$XDG_CONFIG_HOME/velmora/user.reg"
xvfb_pid=""
dialog_pid=""

cleanup() {
  [[ -n "$dialog_pid" ]] && kill "$dialog_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A display of our own: the first of :11..:19 that is free.
start_display() {
  for n in 11 12 13 14 15 16 17 18 19; do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    # -noreset: a server that resets when its last client leaves drops connections meanwhile,
    # and each case starts a new dialog.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
      kill -0 "$xvfb_pid" 2>/dev/null || break
      if [[ -e /tmp/.X11-unix/X$n ]]; then
        # A test started at the same moment may have taken this number: ours then gives up
        # at once, and the socket is the other server's.
        sleep 0.3
        kill -0 "$xvfb_pid" 2>/dev/null || break
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  fail "no free display between :11 and :19"
}

# Starts the dialog and waits until its window ("設定") is shown and has the focus.
start_dialog() {
  [[ -n "${DISPLAY:-}" && -n "$xvfb_pid" ]] || start_display
  "$@" >"$work/dialog.log" 2>&1 &
  dialog_pid=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '設定' 2>/dev/null | head -1 || true)
    [[ -n "$window" ]] && break
    kill -0 "$dialog_pid" 2>/dev/null || fail "the dialog ended before showing: $(cat "$work/dialog.log")"
    sleep 0.1
  done
  [[ -n "$window" ]] || fail "the dialog did not show"
  xdotool windowfocus --sync "$window"
  sleep 0.3  # let the first control take the focus
}

# wait_windows TEST COUNT: waits until the number of visible named windows (the dialog, and the
# colour picker while it is open) passes `[[ number TEST COUNT ]]` (-ge, -lt, ...), at most five
# seconds.
wait_windows() {
  for _ in $(seq 50); do
    (($(xdotool search --onlyvisible --name '.' 2>/dev/null | wc -l) $1 $2)) && return 0
    sleep 0.1
  done
  fail "not $1 $2 windows shown"
}

send_keys() {
  for key in "$@"; do
    xdotool key --clearmodifiers "$key"
    sleep 0.05
  done
}

type_text() {
  xdotool type --delay 50 "$1"
}

# Waits for the dialog to close by itself (OK or Cancel), at most five seconds.
wait_closed() {
  for _ in $(seq 50); do
    kill -0 "$dialog_pid" 2>/dev/null || { wait "$dialog_pid" || true; dialog_pid=""; return 0; }
    sleep 0.1
  done
  fail "the dialog is still open"
}

# The value a key of user.reg holds, e.g. reg_value Speed -> "30" (with the quotes).
reg_value() {
  sed -n "s/^\"$1\"=//p" "$reg_file" | tr -d '\r'
}

expect_value() {
  local got
  got=$(reg_value "$1")
  [[ "$got" == "$2" ]] || fail "$1 is $got, expected $2"
}
