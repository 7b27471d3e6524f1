#!/usr/bin/env bash
# The Debian package of the release build: cpack makes it, lintian finds no error in it, apt-get
# installs it, its programs run from /usr/bin (the saver and the settings dialog under a private
# Xvfb), and apt-get purge leaves no file of it behind. Installing needs root: skipped otherwise.
# Usage: package_test.sh BUILD_DIR
source "$(dirname "$0")/../e2e/lib.sh"
build=$1
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
skip() { echo "SKIP: $*"; exit 77; }

[[ $(id -u) == 0 ]] || skip "installing a package needs root"
dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q "ok installed" &&
  skip "velmora is installed on this machine, and the test would remove it"
[[ -e /usr/bin/velmora ]] && skip "/usr/bin/velmora exists, and the package would overwrite it"

export DEBIAN_FRONTEND=noninteractive
installed=0
finish() {
  if ((installed)); then apt-get purge -y -q velmora >/dev/null 2>&1 || true; fi
  e2e_cleanup
}
trap finish EXIT

# Made from the install() rules of the build, under /usr.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$E2E_TMP/deb" >"$E2E_TMP/cpack.log" 2>&1 ||
  { cat "$E2E_TMP/cpack.log"; fail "cpack failed"; }
version=$("$build/tools/velmora-record" --version | head -n1 | cut -d' ' -f2)
deb=$E2E_TMP/deb/velmora_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "no $(basename "$deb"): $(ls "$E2E_TMP/deb")"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# lintian: errors fail the test, warnings are shown.
lintian --fail-on error "$deb" >"$E2E_TMP/lintian.log" 2>&1 || { cat "$E2E_TMP/lintian.log"; fail "lintian reports errors"; }
grep -E '^[EW]:' "$E2E_TMP/lintian.log" || true

# Dependencies are read from the binaries, not listed by hand.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libx11-6 libqt6widgets6 libavcodec libpng16; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
# Installing enables nothing: no maintainer script starts or enables a service or autostart.
dpkg-deb -e "$deb" "$E2E_TMP/control"
! grep -lE 'systemctl|deb-systemd|xdg/autostart' "$E2E_TMP"/control/{pre,post}{inst,rm} 2>/dev/null ||
  fail "a maintainer script enables something"

# What exists before, to tell the package's own directories from shared ones afterwards.
dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' | sed 's|/$||' | grep -v '^$' >"$E2E_TMP/contents"
while read -r path; do [[ -e $path ]] && echo "$path"; done <"$E2E_TMP/contents" >"$E2E_TMP/before"

installed=1
apt-get install -y -q "$deb" >"$E2E_TMP/apt.log" 2>&1 || { cat "$E2E_TMP/apt.log"; fail "apt-get install failed"; }
dpkg -L velmora >"$E2E_TMP/files"
has() { grep -qx "$1" "$E2E_TMP/files" || fail "the package has no $1"; }
has /usr/bin/velmora
has /usr/bin/velmora-record
has /usr/bin/velmora-idle
has /usr/lib/systemd/user/velmora-idle.service
has /usr/share/velmora/velmora-idle.desktop
has /usr/lib/velmora/velmora-qt.so
has /usr/share/xscreensaver/config/velmora.xml
has /usr/share/applications/velmora.desktop
has /usr/share/doc/velmora/copyright
# A manual page for every program, whichever programs the build installs.
for program in $(grep '^/usr/bin/.' "$E2E_TMP/files"); do
  name=$(basename "$program")
  grep -qE "^/usr/share/man/man[1-8]/$name\.[1-8]\.gz$" "$E2E_TMP/files" || fail "no manual page for $name"
done
grep -E '^/etc/xdg/autostart/' "$E2E_TMP/files" && fail "an autostart entry for every user"
# velmora-idle's user unit goes with the graphical session and starts the installed program; its
# autostart entry, for users to copy, starts the same.
unit=/usr/lib/systemd/user/velmora-idle.service
grep -qx 'PartOf=graphical-session.target' "$unit" || fail "the user unit is not part of the graphical session"
grep -qx 'WantedBy=graphical-session.target' "$unit" || fail "the user unit cannot be enabled for the session"
exec_line=$(sed -n 's/^ExecStart=//p' "$unit")
[[ $(command -v "$exec_line") == /usr/bin/velmora-idle ]] || fail "the unit starts '$exec_line'"
grep -qx 'Exec=velmora-idle' /usr/share/velmora/velmora-idle.desktop || fail "the autostart entry does not start velmora-idle"
# The settings in the application menus, with an icon that is there.
desktop=/usr/share/applications/velmora.desktop
grep -qx 'Exec=velmora /c' "$desktop" || fail "the desktop entry does not open the settings"
icon=$(sed -n 's/^Icon=//p' "$desktop")
grep -qE "^/usr/share/icons/hicolor/[0-9]+x[0-9]+/apps/$icon\.png$" "$E2E_TMP/files" || fail "no icon $icon"
# The copyright carries LICENSE word for word.
while IFS= read -r line; do
  [[ -z $line ]] && continue
  grep -qxF " $line" /usr/share/doc/velmora/copyright || fail "copyright lacks LICENSE's line '$line'"
done <"$source_dir/LICENSE"

# The programs from /usr/bin: --version needs no display.
(
  unset DISPLAY
  for program in velmora velmora-record velmora-idle; do
    out=$("/usr/bin/$program" --version) || fail "$program --version failed"
    [[ $(head -n1 <<<"$out") == "$program $version" ]] || fail "$program --version: $out"
    grep -q "MIT License, see /usr/share/doc/velmora/copyright" <<<"$out" || fail "$program --version: $out"
  done
)
/usr/bin/velmora-record --size 160x120 --frames 40 --course 3 --seed 1 --out "$E2E_TMP/r.png" \
  --video "$E2E_TMP/r.webm" >/dev/null || fail "velmora-record failed"
[[ $(identify -format '%w %h' "$E2E_TMP/r.png") == "160 120" ]] || fail "velmora-record wrote no 160x120 PNG"
[[ $(ffprobe -v error -select_streams v -show_entries stream=codec_name -of csv=p=0 "$E2E_TMP/r.webm") == vp9 ]] ||
  fail "velmora-record wrote no VP9 video"

start_xvfb 640x480
/usr/bin/velmora /s &
pid=$!
E2E_PIDS+=($pid)
wait_window Velmora 5 >/dev/null
wait_for 5000 lit_over 0.0001 0 0 640 480 ||
    fail "the installed saver draws nothing ($(lit_fraction 0 0 640 480))"
xdotool key a
wait_exit "$pid" 2000
[[ $EXIT_CODE == 0 ]] || fail "the installed saver ended with $EXIT_CODE"

# The settings dialog: the Qt module from /usr/lib/velmora.
/usr/bin/velmora /c &
pid=$!
E2E_PIDS+=($pid)
dialog=$(wait_window '設定' 10)
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool key Escape
wait_exit "$pid" 3000
[[ $EXIT_CODE == 0 ]] || fail "the installed settings dialog ended with $EXIT_CODE"

apt-get purge -y -q velmora >"$E2E_TMP/purge.log" 2>&1 || { cat "$E2E_TMP/purge.log"; fail "apt-get purge failed"; }
installed=0
dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q "ok installed" && fail "still installed after purge"
# Nothing of it is left: no file dpkg listed, and no directory that was not there before.
left=$(grep -vx '/\.' "$E2E_TMP/files" | while read -r path; do
  if [[ -e $path || -L $path ]] && ! grep -qxF "$path" "$E2E_TMP/before"; then echo "$path"; fi
done)
[[ -z $left ]] || fail "left behind after purge: $left"
echo "PASS"
