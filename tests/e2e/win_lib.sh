# Shared by the Windows end-to-end scripts: lib.sh's helpers plus a private Wine prefix on a
# private Xvfb. Source it; it cleans up on exit.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

WINE_RUN=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-run.sh
export WINEPREFIX=$E2E_TMP/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Wine without address-space randomisation, as wine-run.sh runs it: randomised, a Wine process
# now and then fails to start at all.
WINE_CMD=("$(command -v wine || command -v wine64)")
if setarch "$(uname -m)" -R true 2>/dev/null; then WINE_CMD=(setarch "$(uname -m)" -R "${WINE_CMD[@]}"); fi
wine() { "${WINE_CMD[@]}" "$@"; }

win_cleanup() {
    # The prefix's wineserver goes first, so no Wine process outlives the display.
    wineserver -k 2>/dev/null || true
    e2e_cleanup
}
trap win_cleanup EXIT

# start_wine WIDTHxHEIGHT: an Xvfb on a free display of :41 to :59 (or VELMORA_E2E_DISPLAYS,
# "FIRST LAST"), and a fresh prefix on it. Wine draws its own window frames (there is no
# window manager) and shows the desktop's UI fonts with a Japanese face.
start_wine() {
    local first=41 last=59 n
    if [[ -n ${VELMORA_E2E_DISPLAYS:-} ]]; then read -r first last <<<"$VELMORA_E2E_DISPLAYS"; fi
    for ((n = first; n <= last; n++)); do
        [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
        Xvfb ":$n" -screen 0 "${1}x24" -nolisten tcp 2>"$E2E_TMP/xvfb.log" &
        E2E_PIDS+=($!)
        local tries
        for ((tries = 0; tries < 100; tries++)); do
            [[ -e /tmp/.X11-unix/X$n ]] && break
            sleep 0.05
        done
        if [[ -e /tmp/.X11-unix/X$n ]] && kill -0 "${E2E_PIDS[-1]}" 2>/dev/null; then
            export DISPLAY=":$n"
            break
        fi
    done
    [[ -n ${DISPLAY:-} && ${DISPLAY#:} -ge $first ]] || fail "no free display in :$first..:$last"
    wine wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
    local face
    for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAPGothic /f >/dev/null
    done
    wineserver -w
}

# start_wine_two_monitors W1xH1 W2xH2: two monitors side by side, the first the primary: an
# Xephyr with Xinerama nested in a private Xvfb, and a fresh prefix on it. Xvfb's own screens all
# sit at the origin, and Wine reads monitors from XRandR before Xinerama, so Xephyr's XRandR is
# switched off.
start_wine_two_monitors() {
    local w1=${1%x*} h1=${1#*x} w2=${2%x*} h2=${2#*x}
    start_xvfb "$((w1 + w2))x$((h1 > h2 ? h1 : h2))"
    local host=$DISPLAY fifo=$E2E_TMP/xephyrfd
    mkfifo "$fifo"
    DISPLAY=$host Xephyr -displayfd 3 +xinerama -extension RANDR -screen "$1" -screen "$2" -nolisten tcp \
        -noreset 3>"$fifo" 2>"$E2E_TMP/xephyr.log" &
    E2E_PIDS+=($!)
    local number
    read -r -t 10 number <"$fifo" || fail "Xephyr did not start"
    export DISPLAY=":$number"
    wine wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
    wineserver -w
}

wine() { "$WINE_RUN" "$@"; }

# need_files FILE...: skips the test (exit code 77) when a program it drives has not been built,
# for instance when the native build runs before any cross build.
need_files() {
    local f
    for f in "$@"; do
        [[ -f $f ]] || { echo "SKIP: $f has not been built"; exit 77; }
    done
    command -v wine >/dev/null || command -v wine64 >/dev/null || { echo "SKIP: no Wine"; exit 77; }
    for f in "$@"; do
        if [[ $f == *.scr || $f == *.exe ]] && x86_64-w64-mingw32-objdump -f "$f" | grep -q 'format pei-i386' &&
            ! wine32_runs; then
            echo "SKIP: $f is a 32-bit program, and Wine cannot run 32-bit programs on this machine"
            exit 77
        fi
    done
}

# Whether Wine's 32-bit loader (wine32) is there and runs: it is an i386 Linux program, which some
# virtual machines cannot run.
wine32_runs() { [[ -x /usr/lib/wine/wine ]] && /usr/lib/wine/wine --version >/dev/null 2>&1; }

# reg_snapshot: reads HKCU\Software\Velmora once (wine reg query); reg_sz looks values up in it.
reg_snapshot() {
    wine reg query 'HKCU\Software\Velmora' 2>/dev/null | tr -d '\r' >"$E2E_TMP/reg.txt" || true
}

# reg_sz NAME: the REG_SZ text of NAME in the last snapshot ("<missing>", or "<TYPE>" when it is
# not REG_SZ).
reg_sz() {
    local line
    line=$(awk -v n="$1" '$1 == n' "$E2E_TMP/reg.txt")
    [[ -z $line ]] && { echo "<missing>"; return; }
    read -r _ type value <<<"$line"
    [[ $type == REG_SZ ]] && echo "$value" || echo "<$type>"
}

# wine_saver ARGS...: starts velmora.scr ($SCR) with ARGS (/s, /c, /p HWND) in the background;
# its pid is in SAVER_PID, and it goes with the test's other processes at the end.
wine_saver() {
    wine "$SCR" "$@" &
    SAVER_PID=$!
    E2E_PIDS+=($SAVER_PID)
}

# wine_window TITLE SECONDS: waits for a mapped Wine window titled TITLE.
wine_window() { wait_window "$1" "$2"; }
# wine_saver_shown WIDTHxHEIGHT: Wine's desktop of that size with the pointer in its middle and
# `velmora.scr /s` shown on it; sets pid.
wine_saver_shown() {
    local width=${1%x*} height=${1#*x}
    start_wine "$1"
    xdotool mousemove $((width / 2)) $((height / 2))
    wine_saver /s
    pid=$SAVER_PID
    wine_window Velmora 20 >/dev/null
}

# wine_foreground TOOL TITLE MS: waits until the window titled TITLE (UTF-8) is Windows'
# foreground window, the one typed keys reach, as the test helper TOOL reads it.
wine_foreground() {
    local tool=$1 title=$2
    wait_for "$3" eval '[[ $(wine "$tool" foreground | tr -d "\r") == "$title" ]]'
}
