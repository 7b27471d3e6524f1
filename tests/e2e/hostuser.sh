# For the tests that run a real desktop host (the XScreenSaver daemon, sway). Those hosts refuse
# to run as root, so a root test runs them, and the saver under them, as the unprivileged user
# velmora-e2e, made here when missing; anyone else runs them as themselves. Source after lib.sh.

E2E_USER=velmora-e2e

# require_programs PROGRAM...: fails unless each of them is installed.
require_programs() {
    local program
    for program in "$@"; do
        command -v "$program" >/dev/null || fail "$program is not installed (scripts/deps.sh)"
    done
}

# password_user_setup VELMORA CHARACTERS: host_user_setup for a locker's test that unlocks with the
# test user's password, which only root may set (anyone else skips the test, 77); sets PASSWORD
# to 14 random characters of CHARACTERS (a set of tr's).
password_user_setup() {
    if ((EUID != 0)); then
        echo "SKIP: the test user's password can only be set as root"
        exit 77
    fi
    host_user_setup "$1"
    PASSWORD=$(head -c 60 /dev/urandom | base64 | tr -dc "$2" | cut -c1-14)
    echo "$E2E_USER:$PASSWORD" | chpasswd || fail "cannot set the test user's password"
}

# host_user_setup VELMORA: copies the saver where that user can run it (E2E_BIN), makes a private
# home (E2E_HOME) and sets AS_USER, the command prefix that runs a program as that user with a
# desktop session's environment: AS_USER+=(NAME=VALUE...) adds to it, and the PID of a
# background "${AS_USER[@]}" PROGRAM is PROGRAM's own. HOST_USER is that user's name.
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
    HOST_USER=$(id -un)
    if ((EUID == 0)); then
        HOST_USER=$E2E_USER
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

# The saver started last (start_saver's pid) has ended.
saver_gone() { ! running "$pid"; }

# launch_saver ARG...: starts "velmora ARG..." as the test user, its standard error in
# $E2E_TMP/saver.err; sets pid.
launch_saver() {
    "${AS_USER[@]}" velmora "$@" 2>"$E2E_TMP/saver.err" &
    pid=$!
    E2E_PIDS+=($pid)
}

# start_saver ARG...: launch_saver, returning once saver_shown (the script's own test of what the
# saver shows) holds, after a second more for it to draw.
start_saver() {
    launch_saver "$@"
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

# sway_session [SWAY_OPTION...] -- CONFIG_LINE...: start_sway, and AS_USER reaches that sway
# (WAYLAND_DISPLAY, SWAYSOCK, and DISPLAY with Xwayland).
sway_session() {
    start_sway "$@"
    AS_USER+=("WAYLAND_DISPLAY=$SWAY_WAYLAND" "SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)")
    [[ -z $SWAY_X_DISPLAY ]] || AS_USER+=("DISPLAY=$SWAY_X_DISPLAY")
}

# sway_locker_session VELMORA: the test user running a headless sway with one 800x600 output and
# no Xwayland, with a keyboard, for the tests of swayidle and swaylock around the saver.
sway_locker_session() {
    require_programs sway swayidle swaylock
    host_user_setup "$1"
    sway_session -- "xwayland disable" "output HEADLESS-1 resolution 800x600 position 0 0"
    session_keyboard
}

# sway_window APP_ID: "VISIBLE FOCUSED" (True or False each) of the first window of that app in
# sway's tree, "none" when there is none.
sway_window() {
    user swaymsg -t get_tree | python3 -c '
import json, sys
def find(node):
    if node.get("app_id") == sys.argv[1]:
        return node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        found = find(child)
        if found:
            return found
node = find(json.load(sys.stdin))
print(node["visible"], node["focused"]) if node else print("none")' "$1"
}
# A window of the saver (app_id velmora on Wayland, class Velmora through Xwayland; on Wayland one
# an output, of which one has the keyboard) is shown with sway's keyboard: a key typed now reaches
# it.
sway_saver_focused() {
    user swaymsg -t get_tree | python3 -c '
import json, sys
def saver_focused(node):
    if node.get("focused") and node.get("visible") and (node.get("app_id") == "velmora" or
            (node.get("window_properties") or {}).get("class") == "Velmora"):
        return True
    return any(saver_focused(child) for child in node.get("nodes", []) + node.get("floating_nodes", []))
sys.exit(not saver_focused(json.load(sys.stdin)))'
}
# wtype_to_saver KEY: once a window of the saver has sway's keyboard, KEY typed (wtype -k): a key
# typed before then goes to the desktop beneath.
wtype_to_saver() {
    wait_for 5000 sway_saver_focused || fail "the saver's window does not get the keyboard"
    user wtype -k "$1"
}

# swaylock runs (a zombie left of it does not count).
swaylock_runs() { pgrep -r R,S,D -u "$HOST_USER" -x swaylock >/dev/null; }

# drive_lit OUTPUT SIZE ROAD_TOP [sky]: one screenshot of OUTPUT (WIDTHxHEIGHT) shows the road lit
# below ROAD_TOP (and with "sky", stars in the sky); sets DRIVE_SKY and DRIVE_ROAD to the measures.
# The road's edge is a few dots: in some frames only six pixels of a 1024x768 output.
drive_lit() {
    local width=${2%x*} height=${2#*x}
    user grim -o "$1" "$E2E_HOME/shot.png"
    DRIVE_SKY=""
    [[ ${4:-} != sky ]] || DRIVE_SKY=$(lit_of "$E2E_HOME/shot.png" 0 60 "$width" 200)
    DRIVE_ROAD=$(lit_of "$E2E_HOME/shot.png" 0 "$3" "$width" $((height - $3)))
    { [[ -z $DRIVE_SKY ]] || more_than "$DRIVE_SKY" 0.00005; } && more_than "$DRIVE_ROAD" 0.00002
}

# expect_drive_on OUTPUT SIZE ROAD_TOP OTHER_OUTPUT OTHER_SIZE [sky]: the drive fills OUTPUT of SIZE
# (WIDTHxHEIGHT), its road lit below ROAD_TOP (and with "sky", its stars in the sky), within a few
# seconds, and OTHER_OUTPUT is black; prints the measures.
expect_drive_on() {
    local other shown=0
    wait_for 3000 drive_lit "$1" "$2" "$3" "${6:-}" || shown=1
    other=$(lit_in "$4" 0 0 "${5%x*}" "${5#*x}")
    echo "$1: ${DRIVE_SKY:+sky $DRIVE_SKY }road $DRIVE_ROAD; $4: $other"
    ((shown == 0)) || fail "no drive on $1 (sky ${DRIVE_SKY:-not measured}, road $DRIVE_ROAD)"
    ! more_than "$other" 0 || fail "$4 is not black ($other)"
}

# dispmode1_drive SAVER_ARG...: with DispMode 1 stored, the saver started with these arguments
# shows its 640x480 drive over the whole of HEADLESS-1 (1024x768; town lights right of x=640)
# while HEADLESS-2 (800x600) stays black; then a key ends it (EXIT_CODE set).
dispmode1_drive() {
    local other seen=1
    set_setting DispMode 1
    ((EUID != 0)) || chown -R "$E2E_USER:" "$XDG_CONFIG_HOME"
    start_saver "$@"
    # (Waited for: the banner's end blanks the view for a frame.)
    wait_for 3000 dispmode1_town_lit || seen=0
    other=$(lit_in HEADLESS-2 0 0 800 600)
    echo "DispMode 1: horizon right of 640 $DISPMODE1_RIGHT; HEADLESS-2 $other"
    ((seen)) ||
        fail "DispMode 1: the 640x480 drive is not shown whole over HEADLESS-1 ($DISPMODE1_RIGHT)"
    ! more_than "$other" 0 || fail "DispMode 1: HEADLESS-2 is not black ($other)"
    wtype_to_saver Escape
    wait_exit "$pid" 3000
}
# dispmode1_town_lit: the town's lights of a 640x480 drive enlarged over HEADLESS-1 (1024x768) show
# right of x=640, a few of its pixels; sets DISPMODE1_RIGHT to the measure.
dispmode1_town_lit() {
    DISPMODE1_RIGHT=$(lit_in HEADLESS-1 700 360 324 40)
    awk -v v="$DISPMODE1_RIGHT" 'BEGIN{exit !(v > 0.001 && v < 0.5)}'
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

# session_bus_setup: a private session bus run as the test user (talk's "bus"), which AS_USER's
# programs then use.
session_bus_setup() {
    talk bus "${AS_USER[@]}" dbus-daemon --session --nofork --print-address
    local address
    read -r -t 10 address <&"$bus_out" || fail "dbus-daemon did not start"
    AS_USER+=("DBUS_SESSION_BUS_ADDRESS=$address")
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

# lock_requests: the Lock requests the stand-in logind has seen so far.
lock_requests() { grep -c '^logind: Lock$' "$E2E_TMP/logind.log" || true; }

# desktop_options LINE...: the settings file holds only these values under Control Panel\desktop.
desktop_options() {
    local settings=$XDG_CONFIG_HOME/velmora/user.reg
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\desktop]\r\n'
        printf '%s\r\n' "$@"
    } >"$settings"
    chmod a+r "$settings"
}

# ms MICROSECONDS: the same in milliseconds, to three places.
ms() { echo "$(($1 / 1000)).$(printf %03d $(($1 % 1000)))"; }

# tell NAME LINE: a line to a stand-in started with talk, which says "done" once it has told the
# bus.
tell() {
    local in=${1}_in out=${1}_out word
    echo "$2" >&"${!in}"
    read -r -t 5 word <&"${!out}" && [[ $word == done ]] || fail "$1 did not take '$2'"
}

# ready NAME [WORD]: the first line of a stand-in started with talk is WORD (ready).
ready() {
    local out=${1}_out word
    read -r -t 5 word <&"${!out}" || fail "$1 said nothing"
    [[ $word == "${2:-ready}" ]] || fail "$1 said '$word', not '${2:-ready}'"
}

# end_saver [COMMAND...]: on idle_host_setup's display, once the saver's window is up, the drive
# drawn and the keyboard's focus the saver's (a key before that reaches no saver), a key ends it;
# COMMAND runs after the key.
end_saver() {
    wait_window Velmora 5 >/dev/null
    wait_for 5000 lit_over 0.00002 0 0 640 480 || fail "the saver draws nothing ($(lit_fraction 0 0 640 480))"
    key_to_saver a
    (($# == 0)) || "$@"
    wait_savers 0 3
}

# login_manager METHOD [ARG...]: calls a method of the manager (Suspend boolean:false,
# ListInhibitors, ...) and prints its answer.
login_manager() {
    user dbus-send "--bus=$SYSTEM_BUS_ADDRESS" --print-reply=literal --dest=org.freedesktop.login1 \
        /org/freedesktop/login1 "org.freedesktop.login1.Manager.$1" "${@:2}"
}

# KWin with two outputs (kwin_wayland --virtual), seen through kscreen-doctor and the tests' own
# screenshot client velmora-e2e-kwinshot, which the test copies into $E2E_BIN.
# kwin_screens: one output a line: NAME PRIORITY X,Y (priority 1 is the primary).
kwin_screens() {
    user kscreen-doctor -o 2>&1 | sed 's/\x1b\[[0-9;]*m//g' | awk '$1 == "Output:" {
        for (i = 1; i < NF; i++) {
            if ($i == "priority") priority = $(i + 1)
            if ($i == "Geometry:") at = $(i + 1)
        }
        print $3, priority, at
    }'
}
kwin_primary_is() { [[ $(kwin_screens | awk '$2 == 1 {print $1}') == "$1" ]]; }
# kwin_second_primary [fresh]: sets first and second to the two outputs' names, makes the second
# the primary and sets layout_x to its left edge. With "fresh" (a KWin that has never been told a
# primary) the first must be the primary until then.
kwin_second_primary() {
    local outputs
    mapfile -t outputs < <(kwin_screens | awk '{print $1}')
    ((${#outputs[@]} == 2)) || fail "KWin has not two outputs: $(kwin_screens)"
    first=${outputs[0]} second=${outputs[1]}
    [[ ${1-} != fresh ]] || kwin_primary_is "$first" ||
        fail "KWin starts with another primary output: $(kwin_screens)"
    user kscreen-doctor "output.$second.primary" >/dev/null 2>&1
    wait_for 10000 kwin_primary_is "$second" ||
        fail "kscreen-doctor did not make $second the primary output: $(kwin_screens)"
    layout_x=$(kwin_screens | awk -v name="$second" '$1 == name {split($3, p, ","); print p[1]}')
}
# kwin_lit OUTPUT X Y W H: the share of non-black pixels of an area of one of KWin's outputs now.
kwin_lit() {
    user velmora-e2e-kwinshot "$1" "$E2E_HOME/shot.ppm" || fail "no screenshot of $1"
    lit_of "$E2E_HOME/shot.ppm" "${@:2}"
}

# start_gnome_shell SIZE...: the real GNOME Shell headless, one virtual monitor of each size, as
# the test user on a session bus of its own and a private bus standing for the system bus (where
# the shell looks for logind and finds nobody, which it takes in its stride); velmora-e2e's
# gnome-shell-services, which the test copies into $E2E_BIN, asks it for its state. Sets shell
# (its pid), adds the buses and the display to AS_USER, opens a remote-desktop session for key
# (key EVDEV_CODE: a key as the user's own) and leaves the overview the shell starts in.
start_gnome_shell() {
    local monitors=() size word
    for size in "$@"; do monitors+=(--virtual-monitor "$size"); done
    talk sysbus "${AS_USER[@]}" dbus-daemon --session --nofork --print-address
    read -r -t 10 system_address <&"$sysbus_out" || fail "the stand-in system bus did not start"
    # (The session bus's log, with what it starts for the shell, goes to a file of its own.)
    talk bus "${AS_USER[@]}" sh -c 'exec dbus-daemon --session --nofork --print-address 2>"$0"' \
        "$E2E_HOME/bus.log"
    read -r -t 10 address <&"$bus_out" || fail "the session bus did not start"
    AS_USER+=("DBUS_SESSION_BUS_ADDRESS=$address" "DBUS_SYSTEM_BUS_ADDRESS=$system_address")
    "${AS_USER[@]}" gnome-shell --headless --wayland --no-x11 "${monitors[@]}" \
        >"$E2E_TMP/shell.log" 2>&1 &
    shell=$!
    E2E_PIDS+=($shell)
    E2E_DAEMON_LOG=$E2E_TMP/shell.log
    wait_for 60000 gnome_shell_up || fail "gnome-shell did not start"
    AS_USER+=("WAYLAND_DISPLAY=wayland-0")
    talk remote "${AS_USER[@]}" gnome-shell-services remote
    read -r -t 10 word <&"$remote_out" && [[ $word == ready ]] || fail "no remote-desktop session"
    # Escape leaves the overview for the empty desktop.
    key 1
    wait_for 10000 not_in_overview || fail "the overview does not close"
}
services() { user gnome-shell-services "$@"; }
gnome_shell_up() { [[ -S $XDG_RUNTIME_DIR/wayland-0 ]] && services overview >/dev/null 2>&1; }
not_in_overview() { [[ $(services overview) == 0 ]]; }
in_overview() { [[ $(services overview) == 1 ]]; }
key() {
    echo "key $1" >&"$remote_in"
    local answer
    read -r -t 5 answer <&"$remote_out" && [[ $answer == ok ]] || fail "the key $1 did not go"
}
