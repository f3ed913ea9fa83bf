#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's screenshot of the Windows program: under Wine, on a private Xvfb server with
# openbox, in a copy of the test suite's Wine prefix (run the Windows suite once first).
# Usage: scripts/screenshot-windows.sh [PROGRAM] [OUTPUT]
#   (defaults: build-windows/zoraven-frontend.exe docs/windows-window.png)
top=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$top/build-windows/zoraven-frontend.exe}")
output=$(realpath -m "${2:-$top/docs/windows-window.png}")
export WINE_PREFIX_TEMPLATE=$top/build-windows/wine/prefix
source "$top/tests/windows/wine_session.sh"

wine "$program" &
find_window() { xdotool search --onlyvisible --name 'TOLVAR' 2>/dev/null | head -n1; }
window_shown() { [ -n "$(find_window)" ]; }
wait_until window_shown || fail "no window appeared"
window=$(find_window)
sleep 1
# The frame that openbox drew around the window.
frame=$(xwininfo -id "$window" -children | sed -n 's/^  Parent window id: \(0x[0-9a-f]*\).*/\1/p')
root=$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
[ -n "$frame" ] && [ "$frame" != "$root" ] && window=$frame
import -window "$window" "$output"
echo "wrote $output"
