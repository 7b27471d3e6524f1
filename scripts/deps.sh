#!/usr/bin/env bash
# Installs what building and testing Velmora needs on Debian 12 (run as root). Safe to repeat:
# packages already present are skipped without touching the network.
set -euo pipefail

packages=(
  # build and unit tests
  build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev clang
  # the formatting check (scripts/check-format.sh)
  clang-format
  # scene text and the recorder's image files
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic libpng-dev libgif-dev
  # a second substitute Japanese face the Windows dialog is measured in
  fonts-vlgothic
  # the recorder's videos (FFmpeg's libraries with x264 and libvpx), and ffprobe/ffmpeg to check them
  libavcodec-dev libavformat-dev libavutil-dev ffmpeg
  # Linux desktop: X11 saver window and the Qt settings dialog
  libx11-dev libxft-dev libxrandr-dev libxi-dev libxss-dev qt6-base-dev
  # ... on Wayland: the client library, the protocols' XML, Qt's Wayland plugin; velmora-idle's
  # session bus (sd-bus) and a private bus for its tests
  libwayland-dev wayland-protocols plasma-wayland-protocols qt6-wayland libsystemd-dev dbus-daemon
  # the saver's CPU benchmark (bench/saver_cpu.sh) compares with XScreenSaver's galaxy hack
  xscreensaver-data
  # settings: the libFuzzer runtime for fuzz/ (clang's own, version of Debian 12's clang)
  libclang-rt-14-dev
  # end-to-end tests under a virtual display
  xvfb xdotool imagemagick x11-utils x11-apps
  # ... and under the real desktop hosts: XScreenSaver's daemon and settings program, and a
  # headless sway whose Xwayland has two monitors (grim captures them, wtype types)
  xscreensaver sway xwayland grim wtype
  # ... with sway's idle daemon and locker around the saver
  swayidle swaylock
  # ... and on X11 xss-lock with xsecurelock (xset starts the server's own screen saver), and
  # xsecurelock alone running the saver under its lock on an Xvfb split into two RandR monitors
  # (xrandr); the test user's password is checked through PAM (common-auth)
  xss-lock xsecurelock x11-xserver-utils libpam-modules
  # ... and the GNOME Shell test's calls to the shell's services (screenshots, keys)
  python3-dbus
  # the Debian package: CPack's DEB generator (dpkg-shlibdeps) and its check
  dpkg-dev file lintian
  # two monitors under Wine: Xinerama heads side by side, nested in Xvfb
  xserver-xephyr
  # Windows build and its tests under Wine: the 64-bit and the 32-bit saver (32-bit programs
  # need Wine's i386 half)
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest wine wine64
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  # the Windows release zip
  zip unzip
  # the web page: Emscripten builds the WebAssembly module; its tests drive Debian's Chromium
  # through playwright-core from npm (node and npm below)
  emscripten chromium
)
# Node.js and npm: Debian's, unless a node with its own npm is installed already.
command -v npm >/dev/null || packages+=(nodejs npm)

# install_missing [APT-OPTION...] -- PACKAGE...: installs those of the packages not installed yet.
install_missing() {
  local options=() missing=() p
  while [[ $1 != -- ]]; do options+=("$1"); shift; done
  shift
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${options[@]}" "${missing[@]}"
}

install_missing -- "${packages[@]}"

# GNOME Shell (gnome-shell --headless), KWin's Wayland session (kwin_wayland --virtual) and
# kscreen-doctor (a Qt 5 Wayland client) to set its primary output, for the end-to-end tests under
# them: without their recommendations, which would bring most of each desktop.
install_missing --no-install-recommends -- gnome-shell kwin-wayland kscreen qtwayland5

# Wine's 32-bit half (wine32, from Debian's i386 architecture) runs the 32-bit saver and its
# tests. It is itself an i386 Linux program, and some virtual machines cannot run those at all;
# there it is left out, since Debian's `wine` command would then start every program through a
# loader that cannot run.
runs_i386() {
  local dir rc=0
  dir=$(mktemp -d)
  printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$dir/exit.s"
  { as --32 -o "$dir/exit.o" "$dir/exit.s" && ld -m elf_i386 -o "$dir/exit" "$dir/exit.o" &&
    "$dir/exit"; } 2>/dev/null || rc=1
  rm -rf "$dir"
  return $rc
}
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  if runs_i386; then
    echo "Installing: wine32:i386"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then dpkg --add-architecture i386; fi
    apt-get update -q
    apt-get install -y -q wine32:i386
  else
    echo "deps.sh: this machine cannot run i386 programs: no wine32, the 32-bit saver is built but not run"
  fi
fi
