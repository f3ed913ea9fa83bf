# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by desktop_test.sh: a headless KWin session (KWin 5 or 6), read over its bus and driven
# through its fake input protocol.
TERMINAL=konsole
export XDG_CURRENT_DESKTOP=KDE
windows() { "$here/kde.py" windows "$work/kwin.log" 2>/dev/null || true; }
keys() { "$FAKE_KEYS" "$@"; }
type_checked() { "$here/kde.py" type "$work/kwin.log" "$@"; } # PID WINDOW TEXT
# KDE's file dialog lists the disks through UDisks2, which every Plasma desktop runs
# (plasma-workspace depends on udisks2): where the session has none, its complaint about that at
# each opening stays out of the front end's stderr, which must otherwise stay empty.
[ -e /usr/share/dbus-1/system-services/org.freedesktop.UDisks2.service ] ||
    export QT_LOGGING_RULES=kf.solid.backends.udisks2.warning=false

start_session() {
    # kwin_wayland carries a file capability that a machine's bounding set may not allow: a copy
    # without it runs anywhere.
    cp "$(command -v kwin_wayland)" "$work/kwin_wayland"
    local version
    version=$("$work/kwin_wayland" --version 2>/dev/null | sed -n 's/^kwin[_a-z]* \([0-9]*\)\..*/\1/p')
    [ -n "$version" ] || fail "no version from kwin_wayland --version: $("$work/kwin_wayland" --version 2>&1)"
    export WAYLAND_DISPLAY=zoraven-kde
    # KWin 6.3 with Qt 6.8 crashes at start when it sees both KDE_FULL_SESSION and
    # KDE_SESSION_VERSION: it starts without them, and the programs in the session get them.
    env -u KDE_FULL_SESSION -u KDE_SESSION_VERSION KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
        KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 QT_LOGGING_RULES=kwin_scripting.debug=true "$work/kwin_wayland" \
        --virtual --width 1280 --height 1024 --xwayland --socket "$WAYLAND_DISPLAY" \
        --no-lockscreen --no-global-shortcuts --no-kactivities >"$work/kwin.log" 2>&1 &
    kwin_answers() { "$here/kde.py" windows "$work/kwin.log" >/dev/null 2>&1; }
    wait_until kwin_answers || fail "KWin $version did not come up: $(tail -n 20 "$work/kwin.log")"
    xwayland_up() { compgen -G "/tmp/.X11-unix/X*" >/dev/null; }
    wait_until xwayland_up || fail "KWin runs no Xwayland"
    DISPLAY=:$(basename "$(compgen -G "/tmp/.X11-unix/X*" | head -n1)" | tr -d X)
    export DISPLAY KDE_FULL_SESSION=true KDE_SESSION_VERSION=$version
    session_variables="KDE_FULL_SESSION KDE_SESSION_VERSION"
    unset XAUTHORITY
    echo "ok: KWin $version"
    # The user's own konsole window, in a konsole that runs every window in one process: the
    # conversion's window comes from the same process, and only that one may be maximized.
    mkdir -p "$HOME/.config"
    printf '[KonsoleWindow]\nUseSingleInstance=true\n' >"$HOME/.config/konsolerc"
    konsole -e sleep 600 >"$work/users-konsole.log" 2>&1 &
    users_konsole=$!
    users_window() { windows | grep -F ': sleep' | grep -F "\"pid\": $users_konsole,"; }
    wait_until users_window || fail "no window of the user's konsole: $(windows)"
    # From now on KWin notes when it adds each window, and when the window first covers the
    # area a maximized window takes.
    notes=$("$here/kde.py" watch "$work/kwin.log") || fail "KWin does not note its windows"
}

# The converter's window is maximized as it opens: within half a second of KWin adding it.
check_maximized_at_once() { # WINDOW-LINE
    local after
    after=$("$here/kde.py" maximized-after "$work/kwin.log" "$notes" "$(field "$1" id)") || fail "$after"
    [ "$after" -le 500 ] || fail "$TERMINAL's window was maximized $after ms after KWin added it"
    echo "ok: $TERMINAL's window maximized $after ms after KWin added it"
}

# The file dialog that the front end shows on KDE Plasma.
choose_file() { # FRONTEND-PID PATH
    open_file_dialog "$1"
    # KDE's own where plasma-integration is installed (Debian 13), else Qt's own: the same texts.
    if compgen -G "/usr/lib/*/qt6/plugins/platformthemes/KDEPlasmaPlatformTheme6.so" >/dev/null; then
        grep -q KDEPlasmaPlatformTheme6 "/proc/$1/maps" || fail "the front end does not use KDE's platform theme"
    fi
    check_file_dialog "$1"
    type_in_file_dialog "$@"
}

# On KDE the front end runs natively on Wayland, and KWin draws its title bar: KWin itself tells
# a Wayland window from one through XWayland.
check_frontend_platform() { # WINDOW-LINE
    [ "$(field "$1" platform)" = wayland ] || fail "the front end's window is not a Wayland window: $1"
}

terminal_maximized_and_focused() { # WINDOW-LINE
    [ "$(field "$1" maximized)" = True ] && [ "$(field "$1" focused)" = True ] || return 1
    # The same process's other window stays as it was.
    [ "$(field "$(users_window)" maximized)" = False ] || fail "the user's konsole window was maximized too: $(users_window)"
}

shot() { "$here/kde.py" shot "$1"; }
