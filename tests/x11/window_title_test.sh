#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program under a real X server: the title, size and icon that the server holds for it;
# the line and status without a display; a window all the same beside a stale or hung Wayland
# compositor.
# Usage: window_title_test.sh FRONTEND
source "$(dirname "$0")/xvfb.sh"
frontend=$1

"$frontend" &
first=$!
pids+=("$first")
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

# A stale or hung Wayland session beside a working X display: a socket that nobody listens on any
# more, and one that takes the connection and never answers. The window comes up all the same.
command -v python3 >/dev/null || fail "python3 is not installed"
python3 -c 'import socket, sys; s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1])' "$work/dead.socket"
python3 -c 'import socket, sys, time; s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(8); time.sleep(600)' \
    "$work/silent.socket" &
pids+=($!)
wait_until test -S "$work/silent.socket" || fail "no silent socket"
kill "$first"
wait_until no_window '^ZORAVEN frontend' || fail "the first window stayed"
for socket in dead silent; do
    env -u QT_QPA_PLATFORM WAYLAND_DISPLAY="$work/$socket.socket" "$frontend" 2>"$work/$socket.err" &
    started=$!
    pids+=("$started")
    wait_for_window >/dev/null || fail "no window with a $socket Wayland socket: $(cat "$work/$socket.err")"
    kill "$started"
    wait_until no_window '^ZORAVEN frontend' || fail "the window stayed"
    echo "a $socket Wayland socket: the window on the X display"
done
