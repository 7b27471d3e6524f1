#!/usr/bin/env bash
# Hostile settings files against the real programs: a FIFO, links to /dev/zero and /dev/null, a
# directory, a link loop, a file over 16 MiB, garbage, and a UTF-16 file with lone surrogates.
# The saver shows its window within five seconds on the defaults (or what it could read), says
# what was wrong on standard error, ends on SIGTERM, and leaves the file as it found it; the
# recorder and the dialog do not block on them either.
# Usage: hostile.sh VELMORA RECORD
source "$(dirname "$0")/lib.sh"
VELMORA=$1
RECORD=$2
start_xvfb 1024x768
reg=$XDG_CONFIG_HOME/velmora/user.reg

# make_case NAME: puts that kind of settings file in place.
make_case() {
    rm -rf "$reg"
    case $1 in
        fifo) mkfifo "$reg" ;;
        zero) ln -s /dev/zero "$reg" ;;
        null) ln -s /dev/null "$reg" ;;
        directory) mkdir "$reg" ;;
        loop) ln -s user.reg "$reg" ;;
        huge) { printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n"Speed"="40"\n'
                head -c $((16 << 20)) /dev/zero | tr '\0' ';'; } >"$reg" ;;
        garbage) head -c 65536 /dev/urandom >"$reg" ;;
        surrogates) { printf '\xFF\xFE'
                      printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"Note"="' |
                          iconv -f UTF-8 -t UTF-16LE
                      printf '\x00\xD8'
                      printf '"\r\n"Speed"="40"\r\n' | iconv -f UTF-8 -t UTF-16LE; } >"$reg" ;;
    esac
    snapshot=$(state_of)
}
state_of() { { stat -c '%F %s %Y' "$reg"; readlink "$reg" || true; } 2>/dev/null; }

for kind in fifo zero null directory loop huge garbage surrogates; do
    make_case "$kind"
    "$VELMORA" /s 2>"$E2E_TMP/err" &
    pid=$!
    E2E_PIDS+=($pid)
    window=$(wait_window Velmora 5)
    size=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    [[ $size == 1024x768 ]] || fail "$kind: window $size, not the saver's"
    kill -TERM "$pid"
    wait_exit "$pid" 2000
    [[ $EXIT_CODE == 143 ]] || fail "$kind: exit code $EXIT_CODE after SIGTERM"
    case $kind in
        surrogates) [[ ! -s $E2E_TMP/err ]] || fail "$kind: reported $(cat "$E2E_TMP/err")" ;;
        *) grep -q "velmora: $reg" "$E2E_TMP/err" || fail "$kind: not reported: $(cat "$E2E_TMP/err")" ;;
    esac
    [[ $(state_of) == "$snapshot" ]] || fail "$kind: the settings file changed"

    timeout 10 "$RECORD" --size 64x48 --frames 3 --out "$E2E_TMP/r.png" >/dev/null 2>&1 ||
        fail "$kind: the recorder failed or blocked"
    [[ $(state_of) == "$snapshot" ]] || fail "$kind: the recorder changed the settings file"
done

# The dialog opens over a FIFO and a link to /dev/zero, and ends on SIGTERM.
for kind in fifo zero; do
    make_case "$kind"
    "$VELMORA" /c 2>/dev/null &
    pid=$!
    E2E_PIDS+=($pid)
    wait_window '設定' 10 >/dev/null
    kill -TERM "$pid"
    wait_exit "$pid" 2000
    [[ $(state_of) == "$snapshot" ]] || fail "$kind: the dialog changed the settings file"
done
echo "PASS"
