# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by desktop_test.sh: a headless GNOME Shell session, read and driven over its bus.
TERMINAL=gnome-terminal
export XDG_CURRENT_DESKTOP=GNOME
windows() { "$here/gnome.py" windows 2>/dev/null || true; }
keys() { "$here/gnome.py" keys "$@"; }

start_session() {
    # An extension of the test's own lets org.gnome.Shell.Eval read the windows.
    mkdir -p "$HOME/.local/share/gnome-shell/extensions"
    cp -r "$here/unsafe-mode@zoraven.org" "$HOME/.local/share/gnome-shell/extensions/"
    gsettings set org.gnome.shell enabled-extensions "['unsafe-mode@zoraven.org']"
    export WAYLAND_DISPLAY=zoraven-gnome
    gnome-shell --headless --wayland --virtual-monitor 1280x1024 --wayland-display="$WAYLAND_DISPLAY" \
        >"$work/shell.log" 2>&1 &
    shell_answers() { "$here/gnome.py" windows >/dev/null 2>&1; }
    wait_until shell_answers || fail "GNOME Shell did not come up: $(tail -n 20 "$work/shell.log")"
    # The shell shows its overview once it has started up; the overview would take the keys.
    started_up() { [ "$("$here/gnome.py" eval 'imports.ui.main.layoutManager._startingUp')" = false ]; }
    wait_until started_up || fail "GNOME Shell did not finish starting up"
    overview_hidden() {
        [ "$("$here/gnome.py" eval 'const overview = imports.ui.main.overview; overview.hide();
            overview.visible || overview.animationInProgress')" = false ]
    }
    wait_until overview_hidden || fail "GNOME Shell's overview stays up"
    DISPLAY=$("$here/gnome.py" eval 'imports.gi.GLib.getenv("DISPLAY")' | tr -d '"')
    [ -n "$DISPLAY" ] || fail "GNOME Shell runs no Xwayland"
    XAUTHORITY=$(compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*" | head -n1)
    export DISPLAY XAUTHORITY
}

# The caption drawn whole by the compositor, with its own title bar: the window is an X11 one,
# through XWayland, and does not draw its own.
check_frontend_frame() { # WINDOW-LINE
    [ "$(field "$1" client)" = 1 ] || fail "the front end does not run through XWayland: $1"
    [ "$(field "$1" clientDrawn)" = False ] || fail "the front end draws its own title bar: $1"
}

terminal_maximized_and_focused() { # WINDOW-LINE
    [ "$(field "$1" maximized)" = 3 ] && [ "$(field "$1" focused)" = True ]
}

shot() { "$here/gnome.py" shot "$1"; }
