#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads a program's widgets through the accessibility bus (AT-SPI over D-Bus), as a screen reader
would: the tests see what a text field shows before they press the next key.
  a11y.py focused PID    prints the text of the field that has the keyboard focus in process PID
  a11y.py focus PID      prints the role and name of what has the keyboard focus in process PID
  a11y.py texts PID      prints one JSON line per text field of PID: its window's title, role,
                         name, text, focused
  a11y.py combos PID WINDOW  prints one JSON line per combo box in the window titled WINDOW of PID:
                         its name (what it shows) and the names of its entries
As a module: type_checked(press, pid, window, text, popup_shown) types `text` a character at a
time with press("text:C") into the focused field of the window titled `window`, and after each key
waits until the field shows what was typed so far and its completion list has settled.
The program must have its accessibility bridge on (Qt: QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1).
"""
import json
import sys
import time

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"
STATE_FOCUSED = 12
# Their items are rows, not fields: a folder's listing is not walked.
LISTS = {"list", "list box", "table", "tree", "tree table"}
# Seconds for which a completion list must keep its state to count as settled.
SETTLED = 0.3


def _bus():
    address = dbus.Interface(dbus.SessionBus().get_object("org.a11y.Bus", "/org/a11y/bus"),
                             "org.a11y.Bus").GetAddress()
    return dbus.bus.BusConnection(address)


def _applications(bus, pid):
    root = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    daemon = dbus.Interface(bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus"),
                            "org.freedesktop.DBus")
    for name, path in dbus.Interface(root, ACCESSIBLE).GetChildren():
        try:
            if daemon.GetConnectionUnixProcessID(name) == pid:
                yield name, path
        except dbus.DBusException:
            pass


def fields(pid, bus=None):
    """Each text field of process `pid`: (role, name, text, focused, window title, (bus name, path))."""
    bus = bus or _bus()
    found = []
    for name, path in _applications(bus, pid):
        # Each path to walk, with the title of the window it is in.
        todo = [(path, None)]
        while todo and len(found) < 200:
            path, window = todo.pop()
            node = bus.get_object(name, path, introspect=False)
            accessible = dbus.Interface(node, ACCESSIBLE)
            try:
                role = str(accessible.GetRoleName())
                states = accessible.GetState()
                interfaces = accessible.GetInterfaces()
                if "org.a11y.atspi.Text" in interfaces and "org.a11y.atspi.EditableText" in interfaces:
                    text = str(dbus.Interface(node, "org.a11y.atspi.Text").GetText(0, -1))
                    label = str(node.Get(ACCESSIBLE, "Name", dbus_interface=dbus.PROPERTIES_IFACE))
                    found.append((role, label, text, bool(states[0] & (1 << STATE_FOCUSED)), window, (name, path)))
                if window is None and role != "application":
                    window = str(node.Get(ACCESSIBLE, "Name", dbus_interface=dbus.PROPERTIES_IFACE))
                if role not in LISTS:
                    todo += [(child, window) for _, child in accessible.GetChildren()]
            except dbus.DBusException:
                # A widget that went away while it was read.
                continue
    return found


def combos(pid, window, bus=None):
    """Each combo box of the window titled `window` of process `pid`: (name, [entry names])."""
    bus = bus or _bus()
    found = []

    def name_of(node):
        return str(node.Get(ACCESSIBLE, "Name", dbus_interface=dbus.PROPERTIES_IFACE))

    for name, path in _applications(bus, pid):
        todo = [(path, None)]
        while todo and len(found) < 50:
            path, title = todo.pop()
            node = bus.get_object(name, path, introspect=False)
            accessible = dbus.Interface(node, ACCESSIBLE)
            try:
                role = str(accessible.GetRoleName())
                if title is None and role != "application":
                    title = name_of(node)
                if role == "combo box" and title == window:
                    # Its entries: the items of the list it pops up.
                    entries, below = [], list(accessible.GetChildren())
                    while below:
                        child = bus.get_object(name, below.pop(0)[1], introspect=False)
                        child_role = str(dbus.Interface(child, ACCESSIBLE).GetRoleName())
                        if child_role in ("list item", "menu item"):
                            entries.append(name_of(child))
                        elif child_role in ("list", "menu"):
                            below += list(dbus.Interface(child, ACCESSIBLE).GetChildren())
                    found.append((name_of(node), entries))
                elif role not in LISTS and (title is None or title == window):
                    todo += [(child, title) for _, child in accessible.GetChildren()]
            except dbus.DBusException:
                # A widget that went away while it was read.
                continue
    return found


def focus(pid):
    """The role and name of the focused object of `pid`, as "ROLE: NAME", or None."""
    bus = _bus()
    for name, path in _applications(bus, pid):
        todo = [path]
        while todo:
            node = bus.get_object(name, todo.pop(), introspect=False)
            accessible = dbus.Interface(node, ACCESSIBLE)
            try:
                role = str(accessible.GetRoleName())
                if accessible.GetState()[0] & (1 << STATE_FOCUSED):
                    return "%s: %s" % (role, node.Get(ACCESSIBLE, "Name", dbus_interface=dbus.PROPERTIES_IFACE))
                if role not in LISTS:
                    todo += [child for _, child in accessible.GetChildren()]
            except dbus.DBusException:
                continue
    return None


def focused_field(pid, bus=None, window=None):
    """The focused field of `pid` (in the window titled `window`, if given) as (bus name, path), or
    None when no such field has the focus."""
    found = [where for _, _, _, focused, title, where in fields(pid, bus) if focused and window in (None, title)]
    return found[0] if found else None


def text_of(bus, where):
    return str(dbus.Interface(bus.get_object(*where, introspect=False), "org.a11y.atspi.Text").GetText(0, -1))


def type_checked(press, pid, window, text, popup_shown, seconds=10):
    """Types `text` into the focused field of the window titled `window` of `pid` one character
    at a time. Before each next key it waits until that field shows what was typed so far, and
    until the field's completion list (popup_shown(), from the compositor) has settled: the list
    takes the keyboard as it opens, and a key sent at that moment is lost (seen with the Return
    after the last key on GNOME, once in 30 runs three at a time). While the list is open it has
    the focus, so the field is found once, first. False, with a line on stderr, when the field
    does not show what was typed or the list does not settle."""
    bus = _bus()
    deadline = time.monotonic() + seconds
    while not (where := focused_field(pid, bus, window)):
        if time.monotonic() > deadline:
            print("no field of %r of process %d has the focus" % (window, pid), file=sys.stderr)
            return False
        time.sleep(0.05)
    for end in range(1, len(text) + 1):
        press("text:" + text[end - 1])
        deadline = time.monotonic() + seconds
        shown = None
        while time.monotonic() < deadline:
            shown = text_of(bus, where)
            if shown == text[:end]:
                break
            time.sleep(0.02)
        else:
            print("the field shows %r, not %r" % (shown, text[:end]), file=sys.stderr)
            return False
        # The list opens (or closes, or stays as it was) as the field shows the key: measured,
        # the compositor lists it at once. Its state unchanged for a while is its state.
        state, since = popup_shown(), time.monotonic()
        while time.monotonic() - since < SETTLED:
            if time.monotonic() > deadline:
                print("the completion list for %r comes and goes" % text[:end], file=sys.stderr)
                return False
            if popup_shown() != state:
                state, since = not state, time.monotonic()
            time.sleep(0.02)
    return True


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "focused":
        where = focused_field(int(sys.argv[2]))
        sys.exit("no field has the focus") if where is None else print(text_of(_bus(), where))
    elif len(sys.argv) == 3 and sys.argv[1] == "focus":
        print(focus(int(sys.argv[2])) or "")
    elif len(sys.argv) == 3 and sys.argv[1] == "texts":
        for role, label, text, focused, window, _ in fields(int(sys.argv[2])):
            print(json.dumps({"window": window, "role": role, "name": label, "text": text, "focused": focused},
                             ensure_ascii=False))
    elif len(sys.argv) == 4 and sys.argv[1] == "combos":
        for shown, entries in combos(int(sys.argv[2]), sys.argv[3]):
            print(json.dumps({"name": shown, "entries": entries}, ensure_ascii=False))
    else:
        sys.exit(__doc__)
