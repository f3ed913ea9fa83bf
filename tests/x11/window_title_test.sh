#!/usr/bin/env bash
# The real program under a real X server: the title and size that the server holds for it.
# Usage: window_title_test.sh FRONTEND
source "$(dirname "$0")/xvfb.sh"
frontend=$1

"$frontend" &
pids+=($!)
window=$(wait_for_window) || fail "no window appeared"

expected='"ZORAVEN frontend By (^)TOLVAR(^)"'
for property in _NET_WM_NAME WM_NAME; do
    title=$(xprop -id "$window" "$property" | sed 's/^[^=]*= //')
    [ "$title" = "$expected" ] || fail "$property is $title, not $expected"
done

hints=$(xprop -id "$window" WM_NORMAL_HINTS)
grep -q 'minimum size: 386 by 168' <<<"$hints" || fail "minimum size: $hints"
grep -q 'maximum size: 386 by 168' <<<"$hints" || fail "maximum size: $hints"
xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (48 x 48)' || fail "the window has no 48x48 icon"
echo "title, size and icon as expected"
