#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's screenshot: the built program on a private Xvfb server, under openbox
# when it is installed so that the window has its title bar.
# Usage: scripts/screenshot.sh [FRONTEND] [OUTPUT]   (defaults: build/zoraven-frontend docs/screenshot.png)
top=$(cd "$(dirname "$0")/.." && pwd)
frontend=$(realpath "${1:-$top/build/zoraven-frontend}")
output=$(realpath -m "${2:-$top/docs/screenshot.png}")
source "$top/tests/x11/xvfb.sh"

command -v openbox >/dev/null && start_window_manager
"$frontend" &
pids+=($!)
window=$(wait_for_window) || fail "no window appeared"
sleep 0.5
# The frame around the client window, when a window manager drew one.
frame=$(xwininfo -id "$window" -children | sed -n 's/^  Parent window id: \(0x[0-9a-f]*\).*/\1/p')
root=$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
[ -n "$frame" ] && [ "$frame" != "$root" ] && window=$frame
import -window "$window" "$output"
echo "wrote $output"
