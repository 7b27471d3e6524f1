# Shared by the end-to-end scripts: a private Xvfb, private settings and runtime directories,
# and waiting for the saver with a deadline. Source it; it cleans up on exit.
set -euo pipefail

E2E_TMP=$(mktemp -d /tmp/velmora-e2e.XXXXXX)
export XDG_CONFIG_HOME=$E2E_TMP/config XDG_RUNTIME_DIR=$E2E_TMP/run
mkdir -p "$XDG_CONFIG_HOME/velmora" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset XSCREENSAVER_WINDOW
# In sanitizer builds: leaks inside system libraries' caches are not the saver's.
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$E2E_DIR/lsan.supp:print_suppressions=0}
export TSAN_OPTIONS=${TSAN_OPTIONS:-suppressions=$E2E_DIR/tsan.supp}
E2E_PIDS=()
source "$E2E_DIR/procstat.sh"

e2e_cleanup() {
    local i pid
    # Newest first, so the X server goes last and no client sees it vanish.
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# A script whose daemon logs to a file names it in E2E_DAEMON_LOG: a failure then shows it.
fail() {
    echo "FAIL: $*" >&2
    if [[ -n ${E2E_DAEMON_LOG:-} && -f $E2E_DAEMON_LOG ]]; then
        sed 's/^/  daemon: /' "$E2E_DAEMON_LOG" >&2
    fi
    exit 1
}

# start_xvfb WIDTHxHEIGHT...: a private server on a free display number, one screen per size, of
# XVFB_DEPTH bits (24 unless set); sets DISPLAY.
start_xvfb() {
    local fifo screens=() n=0 size
    fifo=$(mktemp -u "$E2E_TMP/displayfd.XXXXXX")
    for size in "$@"; do
        screens+=(-screen "$n" "${size}x${XVFB_DEPTH:-24}")
        n=$((n + 1))
    done
    mkfifo "$fifo"
    # -noreset: a server that resets when its last client leaves drops connections meanwhile.
    Xvfb -displayfd 3 "${screens[@]}" -nolisten tcp -noreset 3>"$fifo" 2>"$E2E_TMP/xvfb.log" &
    E2E_PIDS+=($!)
    local number
    read -r -t 10 number <"$fifo" || fail "Xvfb did not start"
    export DISPLAY=":$number"
}

# The state letter of a process (R, S, Z, ...), empty once it is gone.
proc_state() { awk '{print $3}' "/proc/$1/stat" 2>/dev/null || true; }

# Whether a process still runs (a zombie does not).
running() { [[ -n $(proc_state "$1") && $(proc_state "$1") != Z ]]; }

now_us() { echo "${EPOCHREALTIME/./}"; }

# wait_exit PID MILLISECONDS: waits for a child to end and sets EXIT_CODE to its exit code;
# fails when it is still running after that long. (Not in a subshell: only the parent can wait.)
wait_exit() {
    local pid=$1 limit=$(($2 * 1000)) start
    start=$(now_us)
    while :; do
        local state
        state=$(proc_state "$pid")
        [[ -z $state || $state == Z ]] && break
        (($(now_us) - start > limit)) && fail "process $pid still running after $2 ms"
        sleep 0.01
    done
    EXIT_CODE=0
    wait "$pid" || EXIT_CODE=$?
}

# wait_for MILLISECONDS COMMAND...: runs COMMAND until it succeeds; returns 1 when it has not
# succeeded within that long, for the caller to say what did not happen. It tries every
# WAIT_POLL seconds (0.05 unless set).
wait_for() {
    local limit=$(($1 * 1000)) start
    shift
    start=$(now_us)
    until "$@"; do
        (($(now_us) - start > limit)) && return 1
        poll_pause
    done
    return 0
}

# The pause between two askings of wait_for and holds_for.
poll_pause() { sleep "${WAIT_POLL:-0.05}"; }
# holds_for MS COMMAND...: true when COMMAND stays true, asked again and again, for MS
# milliseconds; false as soon as it fails. For what must not happen, and for measuring while
# something keeps going.
holds_for() {
    local limit=$(($1 * 1000)) start
    shift
    start=$(now_us)
    while (($(now_us) - start < limit)); do
        "$@" || return 1
        poll_pause
    done
    "$@"
}

# show_saver ARG...: starts "$VELMORA ARG..." in the background (ended on exit) and waits until
# its window shows; sets pid.
show_saver() {
    "$VELMORA" "$@" &
    pid=$!
    E2E_PIDS+=($pid)
    wait_window Velmora 5 >/dev/null || fail "no saver window for velmora $*"
}

# wait_window NAME SECONDS: waits until a mapped window titled NAME exists; prints its id.
wait_window() {
    local end=$((SECONDS + $2)) id
    while ((SECONDS <= end)); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.02
    done
    xwininfo -root -children >&2 || true
    fail "no window named $1 within $2 s"
}

# The saver's window has the keyboard's focus, which it takes once shown, after its start (the
# display's mode included): a key typed before then goes to the window beneath. (Its covers over
# other monitors bear its name too, but never take the focus.)
saver_focused() { [[ $(xdotool getwindowfocus getwindowname 2>/dev/null) == Velmora ]]; }
# key_to_saver KEY...: once the saver's window has the focus, these keys typed (xdotool key).
key_to_saver() {
    wait_for 5000 saver_focused || fail "the saver's window does not get the keyboard's focus"
    xdotool key "$@"
}

# lit_fraction X Y W H: the share of non-black pixels of a screen area, 0 to 1.
lit_fraction() {
    xwd -root -silent | convert xwd:- -crop "${3}x${4}+${1}+${2}" +repage \
        -colorspace Gray -threshold 1% -format "%[fx:mean]" info:
}

# take_screenshot: the whole screen into $E2E_TMP/screen.png, so that several areas are measured
# on the same picture (shot_fraction).
take_screenshot() { xwd -root -silent | convert xwd:- "$E2E_TMP/screen.png"; }

# shot_fraction X Y W H: lit_fraction's measure on the last screenshot.
shot_fraction() {
    convert "$E2E_TMP/screen.png" -crop "${3}x${4}+${1}+${2}" +repage -colorspace Gray \
        -threshold 1% -format "%[fx:mean]" info:
}

# more_than VALUE LIMIT: whether a measure is above a limit (both may be fractions).
more_than() { awk -v v="$1" -v l="$2" 'BEGIN{exit !(v > l)}'; }

# lit_over LIMIT X Y W H: whether more than LIMIT of a screen area is lit now; for wait_for.
lit_over() { more_than "$(lit_fraction "${@:2}")" "$1"; }

# set_setting NAME VALUE: writes one stored setting before the saver starts.
set_setting() {
    local file=$XDG_CONFIG_HOME/velmora/user.reg
    [[ -f $file ]] || printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n' >"$file"
    printf '"%s"="%s"\r\n' "$1" "$2" >>"$file"
}

# (One coproc at a time is all bash keeps: programs the tests talk to use FIFOs instead.)
# talk NAME COMMAND...: runs COMMAND with its standard input and output on FIFOs, which NAME_in
# and NAME_out then hold open; NAME_pid is its PID.
talk() {
    local name=$1 fd
    shift
    mkfifo -m 666 "$E2E_TMP/$name.in" "$E2E_TMP/$name.out"
    "$@" <"$E2E_TMP/$name.in" >"$E2E_TMP/$name.out" &
    printf -v "${name}_pid" %s $!
    E2E_PIDS+=($!)
    exec {fd}>"$E2E_TMP/$name.in"
    printf -v "${name}_in" %s "$fd"
    exec {fd}<"$E2E_TMP/$name.out"
    printf -v "${name}_out" %s "$fd"
}
