# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by desktop_test.sh: a headless GNOME Shell session (43 to 48), read and driven over its bus.
TERMINAL=gnome-terminal
export XDG_CURRENT_DESKTOP=GNOME
windows() { "$here/gnome.py" windows 2>/dev/null || true; }
keys() { timeout 60 "$here/gnome.py" keys "$work/keys.in" "$work/keys.out" "$@"; }
type_checked() { timeout 60 "$here/gnome.py" type "$work/keys.in" "$work/keys.out" "$@"; } # PID WINDOW TEXT

start_session() {
    local version
    version=$(gnome-shell --version | sed -n 's/^GNOME Shell \([0-9]*\).*/\1/p')
    [ -n "$version" ] || fail "no version from gnome-shell --version: $(gnome-shell --version 2>&1)"
    # An extension of the test's own lets org.gnome.Shell.Eval read the windows: GNOME Shell 45
    # and later load it only as an ES module, 43 and 44 only in the older form. Either names the
    # running version, as an extension that is not out of date does.
    local extension=$HOME/.local/share/gnome-shell/extensions/unsafe-mode@zoraven.org
    mkdir -p "$extension"
    cp "$here/unsafe-mode@zoraven.org/metadata.json" "$extension/"
    if [ "$version" -ge 45 ]; then
        cp "$here/unsafe-mode@zoraven.org/extension.js" "$extension/"
        shell_main=Main
    else
        cp "$here/unsafe-mode@zoraven.org/extension-43.js" "$extension/extension.js"
        shell_main=imports.ui.main
    fi
    /usr/bin/python3 -c 'import json,sys; m = json.load(open(sys.argv[1])); m["shell-version"] = [sys.argv[2]]
json.dump(m, open(sys.argv[1], "w"))' "$extension/metadata.json" "$version"
    gsettings set org.gnome.shell enabled-extensions "['unsafe-mode@zoraven.org']"
    export WAYLAND_DISPLAY=zoraven-gnome
    gnome-shell --headless --wayland --virtual-monitor 1280x1024 --wayland-display="$WAYLAND_DISPLAY" \
        >"$work/shell.log" 2>&1 &
    shell_answers() { "$here/gnome.py" windows >/dev/null 2>&1; }
    wait_until shell_answers || fail "GNOME Shell $version did not come up, or refuses Eval: $(tail -n 20 "$work/shell.log")"
    # The shell shows its overview once it has started up; the overview would take the keys. GNOME
    # Shell 48 ignores hiding it before then.
    started_up() { [ "$("$here/gnome.py" eval "$shell_main.layoutManager._startingUp")" = false ]; }
    wait_until started_up || fail "GNOME Shell did not finish starting up"
    overview_hidden() {
        [ "$("$here/gnome.py" eval "const overview = $shell_main.overview; overview.hide();
            overview.visible || overview.animationInProgress")" = false ]
    }
    wait_until overview_hidden || fail "GNOME Shell's overview stays up"
    DISPLAY=$("$here/gnome.py" eval 'imports.gi.GLib.getenv("DISPLAY")' | tr -d '"')
    [ -n "$DISPLAY" ] || fail "GNOME Shell runs no Xwayland"
    XAUTHORITY=$(compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*" | head -n1)
    export DISPLAY XAUTHORITY
    # One keyboard for the whole session.
    mkfifo "$work/keys.in" "$work/keys.out"
    "$here/gnome.py" serve "$work/keys.in" "$work/keys.out" 2>"$work/keyboard.log" &
    echo "ok: GNOME Shell $version"
}

# The file dialog that the front end shows on GNOME.
choose_file() { # FRONTEND-PID PATH
    open_file_dialog "$1"
    # Qt's own, in GNOME's colours (qt6-gtk-platformtheme): GTK's chooser would name the entries
    # "Cdr-Win Image " and "ISO Image ", without their patterns.
    check_file_dialog "$1"
    type_in_file_dialog "$@"
}

# The caption drawn whole by the compositor, with its own title bar: the window is an X11 one,
# through XWayland, and does not draw its own.
check_frontend_platform() { # WINDOW-LINE
    [ "$(field "$1" client)" = 1 ] || fail "the front end does not run through XWayland: $1"
    [ "$(field "$1" clientDrawn)" = False ] || fail "the front end draws its own title bar: $1"
}

terminal_maximized_and_focused() { # WINDOW-LINE
    [ "$(field "$1" maximized)" = 3 ] && [ "$(field "$1" focused)" = True ]
}

shot() { "$here/gnome.py" shot "$1"; }

# gnome-terminal asks for the maximized state itself, before its window is shown.
check_maximized_at_once() { :; }
