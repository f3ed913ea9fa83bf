# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the Windows tests: a session of their own under Wine, with a private Xvfb server and
# openbox, a copy of the build tree's Wine prefix and a home folder of its own, and a clean-up that
# ends every Wine process of that prefix, the server and the window manager, pass or fail.
# Needs WINE_PREFIX_TEMPLATE (made by make_prefix.sh). With WINE_DPI set, the copy has that DPI.
set -euo pipefail

for tool in wine wineserver Xvfb openbox xprop; do
    command -v "$tool" >/dev/null || {
        echo "FAIL: $tool is not installed" >&2
        exit 1
    }
done
[ -f "${WINE_PREFIX_TEMPLATE:?}/system.reg" ] || {
    echo "FAIL: no Wine prefix at $WINE_PREFIX_TEMPLATE (the test windows.prefix makes it)" >&2
    exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/zoraven-wine-XXXXXX")
pids=()
session_cleanup() {
    # Whatever comes now (the watchdog below, a second Ctrl+C) waits until the clean-up is done.
    trap '' TERM INT HUP
    # Every Windows process of this prefix, whatever started it, then the server itself.
    [ -d "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
    [ -d "${WINEPREFIX:-}" ] && wineserver -w 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap session_cleanup EXIT
trap 'exit 143' TERM INT HUP

source "$(dirname "${BASH_SOURCE[0]}")/../wait_until.sh"

fail() {
    echo "FAIL: $*" >&2
    # What the screen showed, for whoever reads the failure, in a folder that outlives the test's.
    if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
        local shot
        shot=$(mktemp -d "${TMPDIR:-/tmp}/zoraven-failure-XXXXXX")/screen.png
        import -window root "$shot" 2>/dev/null && echo "screen at failure: $shot" >&2
    fi
    exit 1
}

# Wine writes into the home folder (its menus, links to the user's folders): a private one.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset WINEPATH WINELOADER WINESERVER WAYLAND_DISPLAY
# A copy of the prefix made of links: quick, and Wine replaces a registry file rather than
# writing into it; the registry files are copied all the same.
export WINEPREFIX=$work/prefix
cp -al "$WINE_PREFIX_TEMPLATE" "$WINEPREFIX"
for hive in "$WINEPREFIX"/*.reg; do cp --remove-destination "$WINE_PREFIX_TEMPLATE/${hive##*/}" "$hive"; done
# CTest ends a test that overruns its time with SIGKILL, which no trap sees, and Wine's server and
# services would outlive it: the session ends itself first, so that its clean-up runs.
session_seconds=${WINE_SESSION_SECONDS:-480}
(
    sleep "$session_seconds" &
    sleeper=$!
    trap 'kill $sleeper 2>/dev/null; exit 0' TERM
    wait "$sleeper" || exit 0
    echo "FAIL: the Wine session ran past its $session_seconds s" >&2
    [ -d "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    kill -TERM $$
) &
pids+=($!)
if [ -n "${WINE_DPI:-}" ]; then
    printf '\n[Control Panel\\\\Desktop]\n"LogPixels"=dword:%08x\n' "$WINE_DPI" >>"$WINEPREFIX/user.reg"
fi

Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_until test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n1 "$work/display")
# openbox as in the X11 tests, binding no button nor key: its click-to-focus binding loses presses
# on a busy machine (see openbox-rc.xml), and Alt+F4 is then Windows' own, not openbox's.
openbox --config-file "$(dirname "${BASH_SOURCE[0]}")/../x11/openbox-rc.xml" >"$work/openbox.log" 2>&1 &
pids+=($!)
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until wm_ready || fail "openbox did not manage the screen: $(cat "$work/openbox.log")"
# One server for the whole session, so that each program starts in a fraction of a second; and
# Wine's own services started now, by a program whose output goes nowhere: they keep the output of
# the program that starts them open, and a pipe of the test's would never see its end.
wineserver -p
(cd "$work" && wine cmd.exe /c exit 0) </dev/null >/dev/null 2>&1
# A Linux path as Windows programs see it (Z: is the root).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
