#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program under a real X server: the title, size and icon that the server holds for it.
# Usage: window_title_test.sh FRONTEND
source "$(dirname "$0")/xvfb.sh"
frontend=$1

"$frontend" &
pids+=($!)
window=$(wait_for_window) || fail "no window appeared"

# Properties may follow the window's mapping by a moment.
has() { # PROPERTY PATTERN
    for _ in $(seq 50); do
        xprop -id "$window" "$1" | grep -qF -- "$2" && return 0
        sleep 0.1
    done
    fail "$1 is not as expected: $(xprop -id "$window" "$1" | head -n 3)"
}
has _NET_WM_NAME '_NET_WM_NAME(UTF8_STRING) = "ZORAVEN frontend By (^)TOLVAR(^)"'
has WM_NAME 'WM_NAME(STRING) = "ZORAVEN frontend By (^)TOLVAR(^)"'
has WM_NORMAL_HINTS 'minimum size: 386 by 168'
has WM_NORMAL_HINTS 'maximum size: 386 by 168'
has _NET_WM_ICON 'Icon (48 x 48)'
# The whole title, nothing appended (as a display name would be).
[ "$(xprop -id "$window" _NET_WM_NAME)" = '_NET_WM_NAME(UTF8_STRING) = "ZORAVEN frontend By (^)TOLVAR(^)"' ] ||
    fail "the title has more to it: $(xprop -id "$window" _NET_WM_NAME)"
echo "title, size and icon as expected"

# Where no display can be reached, one line says so and the program ends with status 1, not
# with an abort that desktops file as a crash.
status=0
DISPLAY=:250 "$frontend" >/dev/null 2>"$work/no-display.err" || status=$?
[ "$status" -eq 1 ] || fail "without a display the program ended with status $status: $(cat "$work/no-display.err")"
grep -qx 'zoraven-frontend: cannot connect to a display (QT_QPA_PLATFORM=xcb, DISPLAY=:250)' "$work/no-display.err" ||
    fail "without a display the program said: $(cat "$work/no-display.err")"
echo "without a display: status 1 and one line that says so"
