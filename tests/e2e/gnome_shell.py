#!/usr/bin/python3
"""GNOME Shell's own services on its session bus, for the end-to-end test under gnome-shell:
  gnome_shell.py screenshot FILE  the screen into FILE (a PNG) through org.gnome.Shell.Screenshot;
                                  the shell answers only callers it knows, so the name of GNOME's
                                  screenshot tool is owned first
  gnome_shell.py remote           a remote-desktop session of mutter: prints "ready" once
                                  started, then for each line "key CODE" on standard input
                                  presses and releases that evdev key code and prints "ok"
  gnome_shell.py overview         prints 1 while the overview shows, else 0
  gnome_shell.py monitors         mutter's logical monitors, one a line: CONNECTOR X Y WIDTH HEIGHT
                                  PRIMARY (1 or 0), through org.gnome.Mutter.DisplayConfig
  gnome_shell.py primary CONNECTOR
                                  makes the logical monitor of CONNECTOR the primary one, where
                                  every monitor stays (ApplyMonitorsConfig, temporary: the shell
                                  asks no confirmation of it)
  gnome_shell.py silent-display-config
                                  owns org.gnome.Mutter.DisplayConfig on the bus and answers
                                  nothing (a mutter that hangs); prints "ready" once it owns it
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


DISPLAY_CONFIG = "org.gnome.Mutter.DisplayConfig"


def current_state(bus):
    config = bus.get_object(DISPLAY_CONFIG, "/org/gnome/Mutter/DisplayConfig")
    return config, config.GetCurrentState(dbus_interface=DISPLAY_CONFIG)


def current_modes(monitors):
    """Each connector's current mode: (id, width, height)."""
    modes = {}
    for (connector, _, _, _), monitor_modes, _ in monitors:
        for mode in monitor_modes:
            if mode[6].get("is-current", False):
                modes[str(connector)] = (mode[0], int(mode[1]), int(mode[2]))
    return modes


def monitors(bus):
    _, (_, physical, logical, _) = current_state(bus)
    modes = current_modes(physical)
    for x, y, scale, _, primary, members, _ in logical:
        connector = str(members[0][0])
        _, width, height = modes[connector]
        print(connector, int(x), int(y), round(width / scale), round(height / scale),
              1 if primary else 0)


def make_primary(bus, wanted):
    config, (serial, physical, logical, _) = current_state(bus)
    modes = current_modes(physical)
    layout = []
    for x, y, scale, transform, _, members, _ in logical:
        connectors = [str(member[0]) for member in members]
        layout.append(dbus.Struct((x, y, dbus.Double(scale), dbus.UInt32(transform),
                                   wanted in connectors,
                                   [dbus.Struct((c, modes[c][0], dbus.Dictionary({}, "sv")))
                                    for c in connectors]),
                                  signature="iiduba(ssa{sv})"))
    if not any(entry[4] for entry in layout):
        sys.exit("gnome_shell.py: no monitor " + wanted)
    config.ApplyMonitorsConfig(serial, dbus.UInt32(1), dbus.Array(layout, "(iiduba(ssa{sv}))"),
                               dbus.Dictionary({}, "sv"), dbus_interface=DISPLAY_CONFIG)


def silent_display_config(bus):
    if bus.request_name(DISPLAY_CONFIG, dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != \
            dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
        sys.exit("gnome_shell.py: " + DISPLAY_CONFIG + " is owned already")
    print("ready", flush=True)
    # Nothing reads the connection: calls wait in it unanswered until their callers give up.
    # Ends with its standard input.
    sys.stdin.read()


def main():
    bus = dbus.SessionBus()
    mode = sys.argv[1] if len(sys.argv) > 1 else ""
    if mode == "screenshot" and len(sys.argv) == 3:
        screenshot(bus, sys.argv[2])
    elif mode == "remote":
        remote(bus)
    elif mode == "overview":
        overview(bus)
    elif mode == "monitors":
        monitors(bus)
    elif mode == "primary" and len(sys.argv) == 3:
        make_primary(bus, sys.argv[2])
    elif mode == "silent-display-config":
        silent_display_config(bus)
    else:
        sys.exit(__doc__)


main()
