#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads and drives a KWin session (KWin 5 or KWin 6), over its session bus.
  kde.py shot FILE          saves a picture of the screen, through KWin's screenshot interface
                            (KWin with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1; absent where KWin
                            composites without a GPU device)
  kde.py windows KWIN-LOG   prints one JSON line per window: title, pid, platform ("wayland" for a
                            Wayland window, "x11" for one through XWayland), maximized (the frame
                            covers the area a maximized window takes), focused, frame rectangle.
                            KWin runs a script of the test's, written beside KWIN-LOG, and prints
                            its answer to KWIN-LOG (its standard error, with
                            QT_LOGGING_RULES=kwin_scripting.debug=true).
  kde.py watch KWIN-LOG      has KWin note, from now on, when each window is added and when it first
                            covers the area a maximized window takes; prints the name of the notes
  kde.py maximized-after KWIN-LOG NOTES ID
                            prints the milliseconds from KWin adding window ID (as `windows` gives
                            it) until it covered that area, as the notes say; fails without both
  kde.py type KWIN-LOG PID WINDOW TEXT  types TEXT with FAKE_KEYS a character at a time into the
                            focused field of the window titled WINDOW of process PID, each key once
                            the field shows what was typed before and its completion list has settled
                            (see a11y.py)
"""
import json
import os
import subprocess
import sys
import tempfile
import time
import uuid

import dbus

# No cache of a11y beside the sources.
sys.dont_write_bytecode = True
import a11y  # noqa: E402

# KWin 6 names its window list windowList() and the active window activeWindow; KWin 5
# clientList() and activeClient. A window's class tells X11 (KWin 5: XwaylandWindow, KWin 6:
# X11Window) from Wayland (XdgToplevelWindow).
SCRIPT = """
const kwin6 = typeof workspace.windowList === "function";
const all = kwin6 ? workspace.windowList() : workspace.clientList();
const active = kwin6 ? workspace.activeWindow : workspace.activeClient;
function platform(w) {
    const kind = String(w).replace(/\\(.*/, "");
    return /^KWin::(X11|Xwayland)Window$/.test(kind) ? "x11" : kind == "KWin::XdgToplevelWindow" ? "wayland" : kind;
}
const windows = all.filter(w => w.normalWindow || w.dialog || w.popupWindow).map(w => {
    const area = workspace.clientArea(KWin.MaximizeArea, w);
    const frame = w.frameGeometry;
    return { title: w.caption, id: String(w.internalId), pid: w.pid, platform: platform(w), popup: w.popupWindow, focused: active === w,
             maximized: frame.x == area.x && frame.y == area.y && frame.width == area.width && frame.height == area.height,
             frame: [frame.x, frame.y, frame.width, frame.height] };
});
print("MARKER " + JSON.stringify(windows));
"""

WATCH = """
const kwin6 = typeof workspace.windowList === "function";
(kwin6 ? workspace.windowAdded : workspace.clientAdded).connect(w => {
    print("MARKER added " + JSON.stringify({ id: String(w.internalId), at: Date.now() }));
    let said = false;
    function look() {
        const area = workspace.clientArea(KWin.MaximizeArea, w), frame = w.frameGeometry;
        if (!said && frame.x == area.x && frame.y == area.y && frame.width == area.width && frame.height == area.height) {
            said = true;
            print("MARKER maximized " + JSON.stringify({ id: String(w.internalId), at: Date.now() }));
        }
    }
    w.frameGeometryChanged.connect(look);
    look();
});
"""


def run_script(log, text, marker):
    """Has KWin run `text` as a script named `marker`; its file goes once KWin has read it."""
    # Beside the log, in the test's own folder: nothing is left in /tmp, also when this is killed.
    with tempfile.NamedTemporaryFile("w", suffix=".js", dir=os.path.dirname(os.path.abspath(log)),
                                     delete=False) as script:
        script.write(text.replace("MARKER", marker))
    bus = dbus.SessionBus()
    scripting = dbus.Interface(bus.get_object("org.kde.KWin", "/Scripting"), "org.kde.kwin.Scripting")
    try:
        number = scripting.loadScript(script.name, marker, signature="ss")
        if number < 0:
            sys.exit("KWin did not load the script")
        # KWin 6 puts a loaded script at /Scripting/ScriptN, KWin 5 at /N.
        try:
            dbus.Interface(bus.get_object("org.kde.KWin", "/Scripting/Script%d" % number, introspect=False),
                           "org.kde.kwin.Script").run()
        except dbus.DBusException as error:
            if error.get_dbus_name() != "org.freedesktop.DBus.Error.UnknownObject":
                raise
            dbus.Interface(bus.get_object("org.kde.KWin", "/%d" % number, introspect=False),
                           "org.kde.kwin.Script").run()
    finally:
        os.unlink(script.name)
    return scripting


def notes(log, marker):
    with open(log, errors="replace") as lines:
        for line in lines:
            if marker + " " in line:
                kind, note = line.split(marker + " ", 1)[1].rstrip().rstrip('"').split(" ", 1)
                yield kind, json.loads(note)


def read_windows(log):
    """The windows, as dictionaries."""
    marker = "zoraven-" + uuid.uuid4().hex
    scripting = run_script(log, SCRIPT, marker)
    try:
        for _ in range(100):
            with open(log, errors="replace") as lines:
                answers = [line for line in lines if marker + " " in line]
            if answers:
                return json.loads(answers[-1].split(marker + " ", 1)[1].rstrip().rstrip('"'))
            time.sleep(0.05)
        sys.exit("KWin printed no answer")
    finally:
        scripting.unloadScript(marker, signature="s")


def maximized_after(log, marker, window):
    times = {kind: note["at"] for kind, note in notes(log, marker) if note["id"] == window}
    if "added" not in times or "maximized" not in times:
        sys.exit("KWin noted for window %s only: %s" % (window, times))
    print(times["maximized"] - times["added"])


def windows(log):
    for window in read_windows(log):
        if not window["popup"]:
            print(json.dumps(window, ensure_ascii=False))


def popup_shown(log, pid):
    """Whether process `pid` shows a pop-up (Qt's lists and menus are Wayland pop-ups)."""
    return any(window["popup"] and window["pid"] == pid for window in read_windows(log))


def shot(file):
    reading, writing = os.pipe()
    shooter = dbus.Interface(dbus.SessionBus().get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2"),
                             "org.kde.KWin.ScreenShot2")
    answer = shooter.CaptureActiveScreen(dbus.Dictionary({}, signature="sv"), dbus.types.UnixFd(writing))
    os.close(writing)
    with os.fdopen(reading, "rb") as pipe:
        pixels = pipe.read()
    # Premultiplied ARGB in native byte order: BGRA in memory on this machine.
    size = "%dx%d" % (answer["width"], answer["height"])
    subprocess.run(["convert", "-size", size, "-depth", "8", "bgra:-", file], input=pixels, check=True)


def press(key):
    subprocess.run([os.environ["FAKE_KEYS"], key], check=True)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "windows":
        windows(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "watch":
        marker = "zoraven-notes-" + uuid.uuid4().hex
        run_script(sys.argv[2], WATCH, marker)
        print(marker)
    elif len(sys.argv) == 5 and sys.argv[1] == "maximized-after":
        maximized_after(sys.argv[2], sys.argv[3], sys.argv[4])
    elif len(sys.argv) == 3 and sys.argv[1] == "shot":
        shot(sys.argv[2])
    elif len(sys.argv) == 6 and sys.argv[1] == "type":
        pid = int(sys.argv[3])
        sys.exit(0 if a11y.type_checked(press, pid, sys.argv[4], sys.argv[5], lambda: popup_shown(sys.argv[2], pid)) else 1)
    else:
        sys.exit(__doc__)
