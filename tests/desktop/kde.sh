# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by desktop_test.sh: a headless KWin session, read over its bus and driven through its
# fake input protocol.
TERMINAL=konsole
export XDG_CURRENT_DESKTOP=KDE
windows() { "$here/kde.py" windows "$work/kwin.log" 2>/dev/null || true; }
keys() { "$FAKE_KEYS" "$@"; }

start_session() {
    # kwin_wayland carries a file capability that a machine's bounding set may not allow: a copy
    # without it runs anywhere.
    cp "$(command -v kwin_wayland)" "$work/kwin_wayland"
    export WAYLAND_DISPLAY=zoraven-kde
    KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 QT_LOGGING_RULES=kwin_scripting.debug=true "$work/kwin_wayland" \
        --virtual --width 1280 --height 1024 --xwayland --socket "$WAYLAND_DISPLAY" \
        --no-lockscreen --no-global-shortcuts --no-kactivities >"$work/kwin.log" 2>&1 &
    kwin_answers() { "$here/kde.py" windows "$work/kwin.log" >/dev/null 2>&1; }
    wait_until kwin_answers || fail "KWin did not come up: $(tail -n 20 "$work/kwin.log")"
    xwayland_up() { compgen -G "/tmp/.X11-unix/X*" >/dev/null; }
    wait_until xwayland_up || fail "KWin runs no Xwayland"
    DISPLAY=:$(basename "$(compgen -G "/tmp/.X11-unix/X*" | head -n1)" | tr -d X)
    export DISPLAY
    unset XAUTHORITY
}

# KWin draws title bars for Wayland windows: nothing changes, the window is a Wayland one.
check_frontend_frame() { # WINDOW-LINE
    [ -z "$(ps -o args= -p "$(field "$1" pid)" | grep -e '-platform')" ] || fail "the front end was told a platform on KDE"
}

terminal_maximized_and_focused() { # WINDOW-LINE
    [ "$(field "$1" maximized)" = True ] && [ "$(field "$1" focused)" = True ]
}

shot() { "$here/kde.py" shot "$1"; }
