#!/usr/bin/python3
"""GNOME Shell's own services on its session bus, for the end-to-end test under gnome-shell:
  gnome_shell.py screenshot FILE  the screen into FILE (a PNG) through org.gnome.Shell.Screenshot;
                                  the shell answers only callers it knows, so the name of GNOME's
                                  screenshot tool is owned first
  gnome_shell.py remote           a remote-desktop session of mutter: prints "ready" once
                                  started, then for each line "key CODE" on standard input
                                  presses and releases that evdev key code and prints "ok"
  gnome_shell.py overview         prints 1 while the overview shows, else 0
"""
import sys

import dbus

SHELL = "org.gnome.Shell"


def screenshot(bus, path):
    if bus.request_name("org.gnome.Screenshot", dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != \
            dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
        sys.exit("gnome_shell.py: org.gnome.Screenshot is owned already")
    shell = bus.get_object(SHELL, "/org/gnome/Shell/Screenshot")
    done, used = shell.Screenshot(False, False, path, dbus_interface=SHELL + ".Screenshot")
    if not done:
        sys.exit("gnome_shell.py: the shell took no screenshot")
    print(used)


def remote(bus):
    desktop = bus.get_object("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop")
    path = desktop.CreateSession(dbus_interface="org.gnome.Mutter.RemoteDesktop")
    session = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop", path),
                             "org.gnome.Mutter.RemoteDesktop.Session")
    session.Start()
    print("ready", flush=True)
    for line in sys.stdin:
        words = line.split()
        if len(words) == 2 and words[0] == "key":
            code = dbus.UInt32(int(words[1]))
            session.NotifyKeyboardKeycode(code, True)
            session.NotifyKeyboardKeycode(code, False)
            print("ok", flush=True)
        else:
            print("unknown", flush=True)
    session.Stop()


def overview(bus):
    shell = bus.get_object(SHELL, "/org/gnome/Shell")
    active = shell.Get(SHELL, "OverviewActive", dbus_interface=dbus.PROPERTIES_IFACE)
    print(1 if active else 0)


def main():
    bus = dbus.SessionBus()
    mode = sys.argv[1] if len(sys.argv) > 1 else ""
    if mode == "screenshot" and len(sys.argv) == 3:
        screenshot(bus, sys.argv[2])
    elif mode == "remote":
        remote(bus)
    elif mode == "overview":
        overview(bus)
    else:
        sys.exit(__doc__)


main()
