#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads a KWin session's windows, over its session bus.
  kde.py shot FILE          saves a picture of the screen, through KWin's screenshot interface
                            (KWin with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1)
  kde.py windows KWIN-LOG   prints one JSON line per window: title, pid, maximized (the frame covers
                            the area a maximized window takes), focused, frame rectangle. KWin runs a
                            script of the test's and prints its answer to KWIN-LOG (its standard error,
                            with QT_LOGGING_RULES=kwin_scripting.debug=true).
"""
import json
import os
import sys
import tempfile
import time
import uuid

import dbus

SCRIPT = """
const windows = workspace.clientList().filter(c => c.normalWindow || c.dialog).map(c => {
    const area = workspace.clientArea(KWin.MaximizeArea, c);
    const frame = c.frameGeometry;
    return { title: c.caption, pid: c.pid, focused: workspace.activeClient === c,
             maximized: frame.x == area.x && frame.y == area.y && frame.width == area.width && frame.height == area.height,
             frame: [frame.x, frame.y, frame.width, frame.height] };
});
print("MARKER " + JSON.stringify(windows));
"""


def windows(log):
    marker = "zoraven-" + uuid.uuid4().hex
    with tempfile.NamedTemporaryFile("w", suffix=".js", delete=False) as script:
        script.write(SCRIPT.replace("MARKER", marker))
    bus = dbus.SessionBus()
    scripting = dbus.Interface(bus.get_object("org.kde.KWin", "/Scripting"), "org.kde.kwin.Scripting")
    try:
        number = scripting.loadScript(script.name, marker, signature="ss")
        # KWin 5 puts a loaded script at "/" and its number.
        dbus.Interface(bus.get_object("org.kde.KWin", "/%d" % number), "org.kde.kwin.Script").run()
        for _ in range(100):
            with open(log, errors="replace") as lines:
                answers = [line for line in lines if marker + " " in line]
            if answers:
                for window in json.loads(answers[-1].split(marker + " ", 1)[1].rstrip().rstrip('"')):
                    print(json.dumps(window, ensure_ascii=False))
                return
            time.sleep(0.05)
        sys.exit("KWin printed no answer")
    finally:
        scripting.unloadScript(marker, signature="s")
        os.unlink(script.name)


def shot(file):
    import subprocess
    reading, writing = os.pipe()
    shooter = dbus.Interface(dbus.SessionBus().get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2"),
                             "org.kde.KWin.ScreenShot2")
    answer = shooter.CaptureActiveScreen({}, dbus.types.UnixFd(writing))
    os.close(writing)
    with os.fdopen(reading, "rb") as pipe:
        pixels = pipe.read()
    # Premultiplied ARGB in native byte order: BGRA in memory on this machine.
    size = "%dx%d" % (answer["width"], answer["height"])
    subprocess.run(["convert", "-size", size, "-depth", "8", "bgra:-", file], input=pixels, check=True)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "windows":
        windows(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "shot":
        shot(sys.argv[2])
    else:
        sys.exit(__doc__)
