#!/usr/bin/env bash
# velmora-record from the command line: its files, its determinism and its option errors.
source "$(dirname "$0")/record_lib.sh"

# A PNG and an animated GIF of the right size and frame count.
"$record" --size 320x200 --frames 40 --every 4 --course 3 --seed 9 --out "$work/a.png" --gif "$work/a.gif" >"$work/out" \
  || fail "recording failed"
[ "$(identify -format '%w %h' "$work/a.png" 2>/dev/null)" = "320 200" ] || fail "PNG is not 320x200"
[ "$(identify "$work/a.gif" 2>/dev/null | wc -l)" = "10" ] || fail "GIF does not hold 40/4 = 10 frames"
grep -q "a.png" "$work/out" || fail "does not say where the PNG is"

# The same seed and course give the same picture; another course gives another.
"$record" --size 320x200 --frames 400 --course 3 --seed 9 --out "$work/b.png" >/dev/null
"$record" --size 320x200 --frames 400 --course 3 --seed 9 --out "$work/c.png" >/dev/null
"$record" --size 320x200 --frames 400 --course 4 --seed 9 --out "$work/d.png" >/dev/null
cmp -s "$work/b.png" "$work/c.png" || fail "same seed and course differ"
cmp -s "$work/b.png" "$work/d.png" && fail "another course gives the same picture"

# Settings in their stored text form change the picture: a white road.
"$record" --size 320x200 --frames 20 --course 3 --seed 9 --set road_Color=clWhite --set Speed=0x1E \
  --out "$work/w.png" >/dev/null || fail "--set failed"
white=$(convert "$work/w.png" -crop 320x80+0+120 txt:- | grep -c '#FFFFFF')
[ "$white" -gt 4 ] || fail "no white road dots with road_Color=clWhite ($white)"

# The banner shows in the first five seconds and is gone after them (Speed 50: frame 100 is at 5 s).
"$record" --size 640x480 --frames 100 --seed 1 --course 1 --set Speed=50 --out "$work/on.png" >/dev/null
"$record" --size 640x480 --frames 101 --seed 1 --course 1 --set Speed=50 --out "$work/off.png" >/dev/null
on=$(convert "$work/on.png" -crop 200x40+0+5 txt:- | grep -c '#FFFFFF')
off=$(convert "$work/off.png" -crop 200x40+0+5 txt:- | grep -c '#FFFFFF')
[ "$on" -gt 40 ] || fail "no banner text in the first 5 seconds ($on white pixels)"
[ "$off" -lt 5 ] || fail "banner still there after 5 seconds ($off white pixels)"

# Stored settings are read first and --set goes over them.
mkdir -p "$work/config/velmora"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"road_Color"="clWhite"\r\n"Speed"="0x1E"\r\n\r\n' \
  >"$work/config/velmora/user.reg"
"$record" --size 320x200 --frames 20 --course 3 --seed 9 --out "$work/s.png" >/dev/null || fail "recording with a store failed"
cmp -s "$work/s.png" "$work/w.png" || fail "the stored white road was not used"
"$record" --size 320x200 --frames 20 --course 3 --seed 9 --set road_Color=cl3DLight --out "$work/t.png" >/dev/null
white=$(convert "$work/t.png" -crop 320x80+0+120 txt:- | grep -c '#FFFFFF')
[ "$white" -lt 2 ] || fail "--set did not override the stored road colour ($white)"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"road_Color"=dword:00000001\r\n' \
  >"$work/config/velmora/user.reg"
"$record" --size 64x48 --frames 2 --out "$work/u.png" >/dev/null 2>"$work/err" || fail "a mistyped stored value stopped the recorder"
grep -q "road_Color" "$work/err" || fail "no report of the mistyped stored value"
rm -rf "$work/config"

# A file that cannot be written: one line naming it, exit code 1; images get the umask's modes.
for out in "--out /dev/full" "--gif /dev/full"; do
  # shellcheck disable=SC2086
  "$record" --size 320x200 --frames 4 $out >/dev/null 2>"$work/err"
  code=$?
  [ "$code" = 1 ] || fail "'$out' exited $code, not 1"
  grep -q "cannot write /dev/full\|giflib failed" "$work/err" || fail "'$out' said: $(cat "$work/err")"
done
(umask 022 && "$record" --size 32x20 --frames 2 --out "$work/m.png" --gif "$work/m.gif" >/dev/null)
[ "$(stat -c %a "$work/m.png") $(stat -c %a "$work/m.gif")" = "644 644" ] \
  || fail "modes under umask 022: $(stat -c %a "$work/m.png") $(stat -c %a "$work/m.gif")"

# Bad options: one line on standard error, exit code 2.
for args in "--frames" "--frames 0" "--size 100" "--size 0x10" "--course 21" "--bogus" \
            "--set UpDown" "--set Nope=1 --out x.png" "--out"; do
  # shellcheck disable=SC2086
  "$record" $args >/dev/null 2>"$work/err"
  code=$?
  [ "$code" = 2 ] || fail "'$args' exited $code, not 2"
  [ "$(wc -l <"$work/err")" = 1 ] || fail "'$args' did not give a one-line error"
done
"$record" --help | grep -q -- "--gif" || fail "--help does not list the options"

# A text the store would not read as the setting's kind: one line naming the setting, exit 2.
for set in Speed=abc "Speed=30 " Comet=on UpDown=0x road_Color=red road_Color=0x1E town3_Color=; do
  "$record" --size 64x48 --frames 2 --set "$set" --out "$work/r.png" >/dev/null 2>"$work/err"
  code=$?
  [ "$code" = 2 ] || fail "--set '$set' exited $code, not 2"
  grep -q "${set%%=*}" "$work/err" || fail "--set '$set' did not name the setting: $(cat "$work/err")"
  [ "$(wc -l <"$work/err")" = 1 ] || fail "--set '$set' did not give a one-line error"
done
for set in Speed=0x1E "Speed= 30" Comet=5 road_Color=CLRED road_Color='$00FF0000' porl_Color=-1; do
  "$record" --size 64x48 --frames 2 --set "$set" --out "$work/r.png" >/dev/null 2>&1 \
    || fail "--set '$set' was refused"
done
# A stored value the store cannot read is reported in the terminal's encoding: UTF-8 under a
# UTF-8 locale, never Shift-JIS bytes; plain ASCII with "?" for what an ASCII locale cannot show.
mkdir -p "$work/config/velmora"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"road_Color"="red"\r\n' \
  >"$work/config/velmora/user.reg"
LC_ALL=C.UTF-8 "$record" --size 64x48 --frames 2 --out "$work/r.png" >/dev/null 2>"$work/err"
grep -q "'red' は整数ではありません" "$work/err" || fail "the report is not UTF-8 under a UTF-8 locale: $(od -c "$work/err" | head -3)"
LC_ALL=C "$record" --size 64x48 --frames 2 --out "$work/r.png" >/dev/null 2>"$work/err"
{ LC_ALL=C grep -q "^'red' ?" "$work/err" && ! LC_ALL=C grep -q '[^ -~]' "$work/err"; } ||
  fail "the report is not ASCII under the C locale: $(od -c "$work/err" | head -3)"
# ... and a stored text's control characters are shown escaped, never sent to the terminal,
# whose title or screen they would change.
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"road_Color"="\033]0;pwned\a\033[2J"\r\n' \
  >"$work/config/velmora/user.reg"
LC_ALL=C.UTF-8 "$record" --size 64x48 --frames 2 --out "$work/r.png" >/dev/null 2>"$work/err"
grep -qF "'\\e]0;pwned\\a\\e[2J'" "$work/err" && ! grep -q "$(printf '[\033\a]')" "$work/err" ||
  fail "the stored text's control characters reached the terminal: $(od -c "$work/err" | head -3)"
rm -rf "$work/config"

finish record_cli
