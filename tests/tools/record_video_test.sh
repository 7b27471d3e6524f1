#!/usr/bin/env bash
# velmora-record --video: WebM (VP9) and MP4 (H.264) files that decode, frame for frame, to what the
# recorder drew, one-pixel dots at their colour; the progress bar only on a terminal; --version.
source "$(dirname "$0")/record_lib.sh"

# The last frame of a video as RGB, converted as the file's colour tags (checked below) say.
last_frame() {
  ffmpeg -v error -y -i "$1" -vf "scale=in_color_matrix=bt709:in_range=tv:flags=neighbor+accurate_rnd+full_chroma_int,format=rgb24" \
    -update 1 "$2"
}

# Prints "DOTS BAD": the one-pixel dots of PNG $1 (lit, with eight black neighbours), and how many
# of them are not within 6 of their colour in each channel at the same place in $2.
compare_dots() {
  awk -F'[(),: ]+' '
    FNR == 1 { file++ }
    /^#/ { next }
    { v = $3 "," $4 "," $5; if (file == 1) a[$1 "," $2] = v; else b[$1 "," $2] = v
      if ($1 > w) w = $1; if ($2 > h) h = $2 }
    END {
      for (y = 1; y < h; y++) for (x = 1; x < w; x++) {
        if (a[x "," y] == "0,0,0") continue
        lone = 1
        for (dy = -1; dy <= 1; dy++) for (dx = -1; dx <= 1; dx++)
          if ((dx || dy) && a[(x + dx) "," (y + dy)] != "0,0,0") lone = 0
        if (!lone) continue
        dots++
        split(a[x "," y], p, ","); split(b[x "," y], q, ",")
        for (i = 1; i <= 3; i++) if (p[i] - q[i] > 6 || q[i] - p[i] > 6) { bad++; break }
      }
      print dots + 0, bad + 0
    }' <(convert "$1" -depth 8 txt:-) <(convert "$2" -depth 8 txt:-)
}

probe() { ffprobe -v error -select_streams v "$@" -of default=nw=1:nk=1 ; }

# An odd size on purpose: 4:4:4 has no chroma subsampling that would want even sizes.
args=(--size 321x241 --frames 60 --course 3 --seed 9 --set Comet=1)
"$record" "${args[@]}" --out "$work/plain.png" >/dev/null || fail "recording the PNG failed"
for format in "webm vp9 Profile 1" "mp4 h264 High 4:4:4 Predictive"; do
  read -r ext codec profile <<<"$format"
  video=$work/v.$ext
  "$record" "${args[@]}" --out "$work/$ext.png" --video "$video" >"$work/out" 2>"$work/err" ||
    fail "$ext: recording failed: $(cat "$work/err")"
  [ -s "$work/err" ] && fail "$ext: printed on stderr: $(head -c 200 "$work/err" | cat -v)"
  grep -q "wrote $video (60 frames" "$work/out" || fail "$ext: does not say where the video is"
  cmp -s "$work/plain.png" "$work/$ext.png" || fail "$ext: the video changed the frames drawn"
  [ "$(probe -show_entries stream=codec_name "$video")" = "$codec" ] || fail "$ext: not $codec"
  [ "$(probe -show_entries stream=profile "$video")" = "$profile" ] || fail "$ext: not $profile"
  [ "$(probe -show_entries stream=pix_fmt "$video")" = yuv444p ] || fail "$ext: not 4:4:4"
  [ "$(probe -show_entries stream=color_space,color_range "$video" | tr '\n' ' ')" = "tv bt709 " ] ||
    fail "$ext: colours not tagged as limited-range BT.709"
  [ "$(probe -count_frames -show_entries stream=nb_read_frames "$video")" = 60 ] || fail "$ext: not 60 frames"
  # 60 frames of 30 ms.
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$video")
  awk -v d="$duration" 'BEGIN { exit !(d > 1.75 && d < 1.85) }' || fail "$ext: lasts $duration s, not 1.8 s"
  last_frame "$video" "$work/$ext-last.png" || fail "$ext: cannot be decoded"
  read -r dots bad < <(compare_dots "$work/plain.png" "$work/$ext-last.png")
  echo "$ext: $(stat -c %s "$video") bytes, $dots one-pixel dots, $bad off colour"
  [ "$dots" -ge 20 ] || fail "$ext: only $dots one-pixel dots to check"
  [ "$bad" = 0 ] || fail "$ext: $bad of $dots one-pixel dots lost their colour"
done

# Video errors: a file that cannot be written is reported (exit 1), an unknown type is a bad
# option (exit 2).
"$record" --size 64x48 --frames 2 --video "$work/none/v.webm" >/dev/null 2>"$work/err"
[ $? = 1 ] || fail "an unwritable video path did not exit 1"
grep -q "cannot write $work/none/v.webm" "$work/err" || fail "no report of the unwritable video: $(cat "$work/err")"
"$record" --size 64x48 --frames 2 --video "$work/v.avi" >/dev/null 2>"$work/err"
[ $? = 2 ] || fail "--video v.avi did not exit 2"

# The progress bar: on a terminal for more than a second of animation (100 frames of 30 ms), not
# for less (30 frames), and never when stderr is not a terminal.
"$record" --size 64x48 --frames 100 --out "$work/p.png" >/dev/null 2>"$work/err" || fail "recording failed"
[ -s "$work/err" ] && fail "progress written to a stderr that is no terminal: $(head -c 200 "$work/err" | cat -v)"
script -qec "'$record' --size 64x48 --frames 100 --out '$work/p.png'" /dev/null >"$work/tty" 2>&1 ||
  fail "recording on a terminal failed"
grep -q $'\r\\[#\\{30\\}\\] 100%  100/100 frames' "$work/tty" || fail "no full progress bar on a terminal: $(cat -v "$work/tty")"
[ "$(grep -o $'\r\\[' "$work/tty" | wc -l)" -ge 50 ] || fail "the progress bar was not redrawn as frames went by"
script -qec "'$record' --size 64x48 --frames 30 --out '$work/p.png'" /dev/null >"$work/tty" 2>&1
grep -q '%' "$work/tty" && fail "a progress bar for a recording of less than a second"

out=$("$record" --version)
[ "$(head -n1 <<<"$out")" = "velmora-record $(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")" ] ||
  fail "--version does not give the project's version: $out"
grep -q "^MIT License" <<<"$out" || fail "--version does not name the licence: $out"

finish record_video
