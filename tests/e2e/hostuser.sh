# For the tests that run a real desktop host (the XScreenSaver daemon, sway). Those hosts refuse
# to run as root, so a root test runs them, and the saver under them, as the unprivileged user
# velmora-e2e, made here when missing; anyone else runs them as themselves. Source after lib.sh.

E2E_USER=velmora-e2e

# host_user_setup VELMORA: copies the saver where that user can run it (E2E_BIN), makes a private
# home (E2E_HOME) and sets AS_USER, the command prefix that runs a program as that user with a
# desktop session's environment: AS_USER+=(NAME=VALUE...) adds to it, and the PID of a
# background "${AS_USER[@]}" PROGRAM is PROGRAM's own.
host_user_setup() {
    local velmora=$1
    E2E_HOME=$E2E_TMP/home
    E2E_BIN=$E2E_TMP/bin
    mkdir -p "$E2E_HOME" "$E2E_BIN"
    cp "$velmora" "$E2E_BIN/velmora"
    # The settings dialog's module, loaded from beside the executable.
    [[ -f $(dirname "$velmora")/velmora-qt.so ]] && cp "$(dirname "$velmora")/velmora-qt.so" "$E2E_BIN/"
    chmod -R a+rX "$E2E_BIN"
    AS_USER=()
    if ((EUID == 0)); then
        if ! id -u "$E2E_USER" >/dev/null 2>&1; then
            # Another test may be making it at the same moment.
            useradd --system --shell /usr/sbin/nologin "$E2E_USER" 2>/dev/null ||
                id -u "$E2E_USER" >/dev/null || fail "cannot create the user $E2E_USER"
        fi
        chmod 755 "$E2E_TMP"
        chown -R "$E2E_USER:" "$E2E_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
        AS_USER=(setpriv "--reuid=$E2E_USER" "--regid=$E2E_USER" --init-groups --)
    fi
    # (The sanitizers' suppressions too: a sanitizer build's leak report of a system library's
    # caches would fail the saver's exit code.)
    AS_USER+=(env -i "HOME=$E2E_HOME" "PATH=$E2E_BIN:/usr/local/bin:/usr/bin:/bin" LANG=C.UTF-8
        "XDG_CONFIG_HOME=$XDG_CONFIG_HOME" "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR"
        "LSAN_OPTIONS=$LSAN_OPTIONS" "TSAN_OPTIONS=$TSAN_OPTIONS")
}

# user COMMAND...: runs a command as that user, in the session's environment. (Background
# programs are started with "${AS_USER[@]}" instead, so that $! is their own PID.)
user() { "${AS_USER[@]}" "$@"; }

# The running savers started from E2E_BIN, whoever started them, one PID a line.
saver_pids() {
    # (find complains of other users' processes when not root.)
    { find /proc -mindepth 2 -maxdepth 2 -name exe -lname "$E2E_BIN/velmora" 2>/dev/null || true; } |
        cut -d/ -f3
}

# wait_savers COUNT SECONDS [PATTERN]: waits until exactly COUNT savers run (those whose command
# line holds PATTERN, when given).
wait_savers() {
    local end=$((SECONDS + $2)) pid n
    while :; do
        n=0
        for pid in $(saver_pids); do
            [[ -z ${3:-} ]] || tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q -- "$3" &&
                n=$((n + 1))
        done
        ((n == $1)) && return 0
        ((SECONDS > end)) && fail "$n savers running${3:+ with '$3'}, expected $1"
        sleep 0.05
    done
}

# no_saver_for SECONDS WHY: fails when a saver starts within that time ("a saver started WHY").
no_saver_for() {
    local end=$((SECONDS + $1))
    while ((SECONDS < end)); do
        [[ -z $(saver_pids) ]] || fail "a saver started $2"
        sleep 0.1
    done
}
# no_saver_until TIME WHY: the same up to a time in now_us's microseconds.
no_saver_until() {
    while (($(now_us) < $1)); do
        [[ -z $(saver_pids) ]] || fail "a saver started $2"
        sleep 0.1
    done
}

# start_saver ARG...: starts "velmora ARG..." as the test user and sets pid once saver_shown (the
# script's own test of what the saver shows) holds, then gives it a second to draw.
start_saver() {
    "${AS_USER[@]}" velmora "$@" 2>"$E2E_TMP/saver.err" &
    pid=$!
    E2E_PIDS+=($pid)
    local end=$((SECONDS + 5))
    until saver_shown; do
        running "$pid" || { cat "$E2E_TMP/saver.err" >&2; fail "the saver ended at once"; }
        ((SECONDS > end)) && fail "the saver's windows are not there"
        sleep 0.05
    done
    sleep 1
}

# lit_of PICTURE X Y W H: the share of non-black pixels of an area of a screenshot.
lit_of() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage \
        -colorspace Gray -threshold 1% -format "%[fx:mean]" info:
}
# lit_in OUTPUT X Y W H: the same of one of sway's outputs now.
lit_in() {
    user grim -o "$1" "$E2E_HOME/shot.png"
    lit_of "$E2E_HOME/shot.png" "${@:2}"
}

# session_keyboard: a keyboard for sway's seat, which gives a window the keyboard when it appears
# only if there is one.
session_keyboard() {
    "${AS_USER[@]}" wtype -s 600000 -k F24 &
    E2E_PIDS+=($!)
}

# start_sway [SWAY_OPTION...] -- CONFIG_LINE...: a headless sway (pixman renderer, no input
# devices) as the test user with these configuration lines, waited for until it runs its
# configuration. Sets SWAY_PID, SWAY_WAYLAND (its socket's name) and SWAY_X_DISPLAY (Xwayland's
# display; empty without Xwayland).
start_sway() {
    local options=() config=$E2E_HOME/sway.config end
    while [[ $1 != -- ]]; do
        options+=("$1")
        shift
    done
    shift
    rm -f "$XDG_RUNTIME_DIR"/sway-up "$XDG_RUNTIME_DIR"/wayland-* "$XDG_RUNTIME_DIR"/sway-ipc.*
    printf '%s\n' "$@" "exec sh -c 'echo \"\$DISPLAY\" >\"\$XDG_RUNTIME_DIR/sway-up\"'" >"$config"
    ((EUID != 0)) || chown "$E2E_USER:" "$config"
    "${AS_USER[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway "${options[@]}" -c "$config" >"$E2E_TMP/sway.log" 2>&1 &
    SWAY_PID=$!
    E2E_PIDS+=($SWAY_PID)
    end=$((SECONDS + 15))
    until [[ -s $XDG_RUNTIME_DIR/sway-up ]]; do
        ((SECONDS > end)) && { cat "$E2E_TMP/sway.log" >&2; fail "sway did not start"; }
        sleep 0.1
    done
    SWAY_WAYLAND=$(cd "$XDG_RUNTIME_DIR" && ls wayland-? | head -n1)
    SWAY_X_DISPLAY=$(cat "$XDG_RUNTIME_DIR/sway-up")
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

# idle_host_setup VELMORA VELMORA_IDLE SESSIONBUS_PEER: host_user_setup for velmora-idle's tests
# on a 640x480 Xvfb: the daemon and the bus stand-ins beside the saver, DISPLAY set for the user,
# the daemon's log in E2E_DAEMON_LOG.
idle_host_setup() {
    command -v dbus-daemon >/dev/null || fail "dbus-daemon is not installed (scripts/deps.sh)"
    host_user_setup "$1"
    cp "$2" "$E2E_BIN/velmora-idle"
    cp "$3" "$E2E_BIN/sessionbus-peer"
    chmod a+rx "$E2E_BIN"/*
    start_xvfb 640x480
    AS_USER+=("DISPLAY=$DISPLAY")
    E2E_DAEMON_LOG=$E2E_TMP/idle.log
}

# logind_setup LOGIND_STANDIN: after host_user_setup and DISPLAY, a private bus that stands for
# the system bus (run as the test user) with the stand-in logind on it, whose log goes to
# $E2E_TMP/logind.log. Sets SYSTEM_BUS_ADDRESS and adds DBUS_SYSTEM_BUS_ADDRESS and
# XDG_SESSION_ID to AS_USER.
logind_setup() {
    command -v dbus-daemon >/dev/null || fail "dbus-daemon is not installed (scripts/deps.sh)"
    cp "$1" "$E2E_BIN/logind-standin"
    chmod a+rx "$E2E_BIN/logind-standin"
    talk systembus "${AS_USER[@]}" dbus-daemon "--config-file=$E2E_DIR/systembus.conf" --nofork \
        --print-address "--address=unix:path=$XDG_RUNTIME_DIR/system_bus_socket"
    read -r -t 10 SYSTEM_BUS_ADDRESS <&"$systembus_out" || fail "the stand-in system bus did not start"
    AS_USER+=("DBUS_SYSTEM_BUS_ADDRESS=$SYSTEM_BUS_ADDRESS" XDG_SESSION_ID=1)
    "${AS_USER[@]}" logind-standin >"$E2E_TMP/logind.ready" 2>"$E2E_TMP/logind.log" &
    E2E_PIDS+=($!)
    wait_for 5000 grep -qx ready "$E2E_TMP/logind.ready" || {
        cat "$E2E_TMP/logind.log" >&2
        fail "the stand-in logind did not start"
    }
}

# The stand-in's login session and manager are called with dbus-send (which comes with
# dbus-daemon); arguments are typed as it asks: boolean:true, string:1.
# login_session METHOD [ARG...]: calls a method of the session (Lock, Unlock,
# SetLockedHint boolean:true, ...).
login_session() {
    user dbus-send "--bus=$SYSTEM_BUS_ADDRESS" --print-reply --dest=org.freedesktop.login1 \
        /org/freedesktop/login1/session/auto "org.freedesktop.login1.Session.$1" "${@:2}" >/dev/null
}

# login_property NAME: the value of a property of the session ("true", "1", "x11").
login_property() {
    user dbus-send "--bus=$SYSTEM_BUS_ADDRESS" --print-reply=literal --dest=org.freedesktop.login1 \
        /org/freedesktop/login1/session/auto org.freedesktop.DBus.Properties.Get \
        string:org.freedesktop.login1.Session "string:$1" | awk '{print $NF}'
}

# login_manager METHOD [ARG...]: calls a method of the manager (Suspend boolean:false,
# ListInhibitors, ...) and prints its answer.
login_manager() {
    user dbus-send "--bus=$SYSTEM_BUS_ADDRESS" --print-reply=literal --dest=org.freedesktop.login1 \
        /org/freedesktop/login1 "org.freedesktop.login1.Manager.$1" "${@:2}"
}
