#!/usr/bin/env bash
# velmora-record's output files appear whole or not at all: a failed, interrupted or out-of-space
# run leaves the files of an earlier run as they were and no half-written ones; two outputs
# naming one file are refused; a GIF frame delay too long for the format is capped and said.
source "$(dirname "$0")/record_lib.sh"

# Files in $work/out other than the ones named: what a run left behind.
leftovers() {
  find "$work/out" -mindepth 1 -maxdepth 1 "$@" -printf '%f\n' | sort | tr '\n' ' '
}

# grown NAME [FIND-TEST...]: a file of $work/out so named has more than 2 kB on disk.
grown() {
  local name=$1
  shift
  [ "$(find "$work/out" -name "$name" "$@" -size +2k | wc -l)" -ge 1 ]
}
# ended PID: the process has ended (or is a zombie waiting to be reaped).
ended() {
  [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = Z ] || ! kill -0 "$1" 2>/dev/null
}

# An earlier run's files, kept aside to compare with.
fresh_outputs() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  "$record" --size 64x48 --frames 3 --seed 1 --course 1 --out "$work/out/keep.png" \
    --gif "$work/out/keep.gif" --video "$work/out/keep.webm" >/dev/null || fail "the first run failed"
  cp "$work/out/keep.png" "$work/out/keep.gif" "$work/out/keep.webm" "$work/"
}
unchanged() {  # $1: what happened
  for f in keep.png keep.gif keep.webm; do
    cmp -s "$work/$f" "$work/out/$f" || fail "$1: $f was changed ($(stat -c %s "$work/out/$f" 2>&1))"
  done
  local left
  left=$(leftovers ! -name 'keep.*')
  [ -z "$left" ] || fail "$1: left $left"
}

# A later output that cannot be opened: the earlier ones stay as they were.
fresh_outputs
"$record" --size 64x48 --frames 3 --out "$work/out/keep.png" --gif "$work/out/keep.gif" \
  --video "$work/out/nope/x.webm" >/dev/null 2>"$work/err"
code=$?
[ "$code" = 1 ] || fail "an unwritable video exited $code, not 1"
grep -q "nope/x.webm" "$work/err" || fail "the error does not name the video: $(cat "$work/err")"
unchanged "an unwritable video"

# Interrupted by SIGINT or SIGTERM while writing: the temporaries are removed, the earlier files
# kept, and the run ends by that signal. SIGKILL cannot be caught: the final names are still
# untouched (what it leaves are temporaries beside them).
for sig in INT TERM KILL; do
  fresh_outputs
  "$record" --size 320x200 --frames 100000 --out "$work/out/keep.png" --gif "$work/out/keep.gif" \
    --video "$work/out/keep.webm" >/dev/null 2>&1 &
  pid=$!
  # Wait until the GIF has frames on disk, with a deadline.
  wait_until 60 grown '*keep*.gif' -newer "$work/keep.gif" ||
    fail "SIG$sig: no temporary outputs grew: $(leftovers)"
  kill -s "$sig" "$pid"
  # (A background job starts with SIGINT ignored: a program that does not handle it runs on.)
  wait_until 20 ended "$pid" || { fail "SIG$sig: still running"; kill -KILL "$pid"; }
  wait "$pid"
  code=$?
  case $sig in INT) want=130 ;; TERM) want=143 ;; KILL) want=137 ;; esac
  [ "$code" = "$want" ] || fail "SIG$sig: exited $code, not $want"
  if [ "$sig" = KILL ]; then
    for f in keep.png keep.gif keep.webm; do
      cmp -s "$work/$f" "$work/out/$f" || fail "SIGKILL: $f was changed"
    done
  else
    unchanged "SIG$sig"
  fi
done

# The same for an MP4 video, whose index is written only at its end: interrupted, the earlier
# video stays whole and no half-written one is left.
rm -rf "$work/out" && mkdir -p "$work/out"
"$record" --size 64x48 --frames 3 --seed 1 --video "$work/out/keep.mp4" >/dev/null || fail "the MP4 run failed"
cp "$work/out/keep.mp4" "$work/"
"$record" --size 320x200 --frames 100000 --video "$work/out/keep.mp4" >/dev/null 2>&1 &
pid=$!
wait_until 60 grown '.keep.*.mp4' || fail "MP4: no temporary video grew: $(leftovers)"
kill -TERM "$pid"
wait "$pid"
code=$?
[ "$code" = 143 ] || fail "MP4 interrupted: exited $code, not 143"
cmp -s "$work/keep.mp4" "$work/out/keep.mp4" || fail "MP4 interrupted: keep.mp4 was changed"
left=$(leftovers ! -name keep.mp4)
[ -z "$left" ] || fail "MP4 interrupted: left $left"

# Out of space (a file size limit, its signal ignored, so writes fail as on a full disk).
fresh_outputs
(trap '' XFSZ && ulimit -f 64 && exec "$record" --size 320x200 --frames 400 --out "$work/out/keep.png" \
  --gif "$work/out/keep.gif" --video "$work/out/keep.webm" >/dev/null 2>"$work/err")
code=$?
[ "$code" = 1 ] || fail "out of space exited $code, not 1"
unchanged "out of space"

# A completed run replaces the files, and they get the umask's modes.
fresh_outputs
(umask 027 && "$record" --size 64x48 --frames 3 --seed 2 --course 2 --out "$work/out/keep.png" \
  --gif "$work/out/keep.gif" --video "$work/out/keep.webm" >/dev/null) || fail "the second run failed"
cmp -s "$work/keep.png" "$work/out/keep.png" && fail "the second run did not replace the PNG"
[ "$(stat -c %a "$work/out/keep.png" "$work/out/keep.gif" "$work/out/keep.webm" | tr '\n' ' ')" = "640 640 640 " ] ||
  fail "modes under umask 027: $(stat -c %a "$work/out/keep."* | tr '\n' ' ')"
[ -z "$(leftovers ! -name 'keep.*')" ] || fail "a completed run left $(leftovers)"

# Two outputs naming one file, however spelled: refused before anything is written.
fresh_outputs
mkdir -p "$work/out/sub"
ln -s keep.png "$work/out/link.gif"
ln "$work/out/keep.webm" "$work/out/hard.gif"
for pair in "--out $work/out/keep.png --gif $work/out/keep.png" \
            "--out $work/out/keep.png --gif $work/out/sub/../keep.png" \
            "--out $work/out/keep.png --gif $work/out/link.gif" \
            "--gif $work/out/hard.gif --video $work/out/keep.webm" \
            "--gif $work/out/new.webm --video $work/out//new.webm"; do
  # shellcheck disable=SC2086
  "$record" --size 64x48 --frames 3 $pair >/dev/null 2>"$work/err"
  code=$?
  [ "$code" = 2 ] || fail "'$pair' exited $code, not 2"
  grep -q "same file" "$work/err" || fail "'$pair' said: $(cat "$work/err")"
done
rm -f "$work/out/link.gif" "$work/out/hard.gif"
rmdir "$work/out/sub"
unchanged "the same file twice"

# A device is written in place, as before: nothing is made beside /dev/full.
before=$(ls -A /dev | wc -l)
"$record" --size 64x48 --frames 2 --gif /dev/full >/dev/null 2>"$work/err"
[ $? = 1 ] || fail "--gif /dev/full did not fail"
[ -c /dev/full ] || fail "/dev/full is no longer a device"
[ "$(ls -A /dev | wc -l)" = "$before" ] || fail "files were left in /dev"
bytes=$("$record" --size 64x48 --frames 2 --gif /dev/stdout 2>"$work/err" | wc -c)
[ "$bytes" -gt 100 ] || fail "--gif /dev/stdout into a pipe wrote $bytes bytes: $(cat "$work/err")"

# A GIF frame shows for at most 65535 hundredths of a second: a longer delay is capped and said,
# not stored modulo 65536 (10 ms frames, every 100000th kept: 1000 s asked).
"$record" --size 64x48 --frames 2 --every 100000 --set Speed=10 --gif "$work/long.gif" \
  >"$work/outmsg" 2>"$work/err" || fail "a long GIF delay failed"
delay=$(identify -format '%T\n' "$work/long.gif" 2>/dev/null | head -1)
[ "$delay" = 65535 ] || fail "a 1000 s frame delay was stored as $delay cs, not 65535"
grep -q "655.35" "$work/err" || fail "the capped delay was not said: $(cat "$work/err")"
grep -q "655350 ms apart" "$work/outmsg" || fail "the report does not give the delay stored: $(cat "$work/outmsg")"

finish record_outputs
