#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Drives a GNOME Shell session as its user would, over its session bus.
  gnome.py serve IN OUT  the session's keyboard, through org.gnome.Mutter.RemoteDesktop, the way the
                         compositor takes a user's keyboard; it takes requests on the FIFO IN and
                         answers on the FIFO OUT:
  gnome.py keys IN OUT KEY...  presses and releases each key: a name (Tab, Return, space, Down) or
                         text:TEXT, typed a character at a time
  gnome.py type IN OUT PID WINDOW TEXT  types TEXT a character at a time into the focused field of the
                         window titled WINDOW of process PID, each key once the field shows
                         what was typed before and its completion list has settled (see a11y.py)
  gnome.py eval JS       prints what GNOME Shell makes of JS, as a JSON text
  gnome.py shot FILE     saves a picture of the screen
  gnome.py windows       prints one JSON line per window: title, pid, client type (0 Wayland, 1 X11),
                         drawn by the client, maximized (3: both ways), focused, frame rectangle
GNOME Shell 43 and 48 both: mutter 48 has no is_client_decorated(), and its `decorated` tells
whether mutter draws the window's frame.
"""
import json
import sys
import time

import dbus

# No cache of a11y beside the sources.
sys.dont_write_bytecode = True
import a11y  # noqa: E402

KEYSYMS = {"Tab": 0xFF09, "Return": 0xFF0D, "space": 0x20, "Down": 0xFF54, "Escape": 0xFF1B}
bus = dbus.SessionBus()


class Keyboard:
    """The session's virtual keyboard, through org.gnome.Mutter.RemoteDesktop."""

    def __enter__(self):
        desktop = bus.get_object("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop")
        path = dbus.Interface(desktop, "org.gnome.Mutter.RemoteDesktop").CreateSession()
        self.session = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop", path),
                                      "org.gnome.Mutter.RemoteDesktop.Session")
        self.session.Start()
        # The session's virtual keyboard is set up, and later taken away, by the compositor's own
        # loop: keys sent at once after Start, or just before Stop, may be dropped.
        time.sleep(0.3)
        # XWayland drops the first key of a new virtual keyboard, while it takes on its key map: a
        # Shift alone, which no window acts on, goes first.
        self.symbol(0xFFE1)
        return self

    def __exit__(self, *_):
        time.sleep(0.3)
        self.session.Stop()

    def symbol(self, symbol):
        self.session.NotifyKeyboardKeysym(dbus.UInt32(symbol), True)
        self.session.NotifyKeyboardKeysym(dbus.UInt32(symbol), False)
        time.sleep(0.02)

    def press(self, name):
        for symbol in [ord(c) for c in name[5:]] if name.startswith("text:") else [KEYSYMS[name]]:
            self.symbol(symbol)


def serve(requests, answers):
    """One virtual keyboard for the whole session: each new one loses keys while XWayland takes on
    its key map (seen: a Tab and a space lost under load). Reads requests, a JSON list a line,
    from the FIFO `requests` and answers "ok" or "failed" on the FIFO `answers`."""
    with Keyboard() as keyboard:
        while True:
            with open(requests) as lines:
                request = json.loads(lines.readline())
            if request[0] == "keys":
                for name in request[1:]:
                    keyboard.press(name)
                done = True
            else:
                pid = int(request[1])
                done = a11y.type_checked(keyboard.press, pid, request[2], request[3], lambda: popup_shown(pid))
            with open(answers, "w") as answer:
                answer.write("ok\n" if done else "failed\n")


def send(requests, answers, request):
    with open(requests, "w") as lines:
        lines.write(json.dumps(request) + "\n")
    with open(answers) as answer:
        return answer.readline().strip() == "ok"


def evaluate(script):
    shell = dbus.Interface(bus.get_object("org.gnome.Shell", "/org/gnome/Shell"), "org.gnome.Shell")
    ok, answer = shell.Eval(script)
    if not ok:
        sys.exit("Eval refused: " + answer)
    return answer


def windows():
    answer = evaluate("""JSON.stringify(global.get_window_actors().map(a => a.meta_window).map(w => ({
        title: w.get_title(), pid: w.get_pid(), client: w.get_client_type(),
        clientDrawn: typeof w.is_client_decorated === "function" ? w.is_client_decorated() : !w.decorated,
        maximized: w.get_maximized(),
        focused: global.display.focus_window === w,
        frame: [w.get_frame_rect().x, w.get_frame_rect().y, w.get_frame_rect().width, w.get_frame_rect().height] })))""")
    # Eval answers with the JSON text of what the script gave, here a JSON text itself.
    for window in json.loads(json.loads(answer)):
        print(json.dumps(window, ensure_ascii=False))


def popup_shown(pid):
    """Whether process `pid` shows a pop-up (an override-redirect window: Qt's lists and menus)."""
    return json.loads(evaluate("""global.get_window_actors().map(a => a.meta_window)
        .some(w => w.get_pid() === %d && w.is_override_redirect())""" % pid))


if __name__ == "__main__":
    if sys.argv[1] == "serve" and len(sys.argv) == 4:
        serve(sys.argv[2], sys.argv[3])
    elif sys.argv[1] in ("keys", "type") and len(sys.argv) >= 4:
        sys.exit(0 if send(sys.argv[2], sys.argv[3], sys.argv[1:2] + sys.argv[4:]) else 1)
    elif sys.argv[1] == "eval":
        print(evaluate(sys.argv[2]))
    elif sys.argv[1] == "shot":
        shooter = bus.get_object("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot")
        dbus.Interface(shooter, "org.gnome.Shell.Screenshot").Screenshot(False, False, sys.argv[2])
    elif sys.argv[1] == "windows":
        windows()
    else:
        sys.exit(__doc__)
