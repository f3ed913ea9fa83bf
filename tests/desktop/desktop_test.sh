#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program in a real desktop session, headless: GNOME Shell or KWin, each in a session of
# its own, driven with keys that the compositor takes as the user's. Browse, type the image's
# path, Return, PAL, CONVERT IMAGE; then the converter's terminal window, and Enter to close it.
# It checks the caption (and on GNOME the title bar), the converter's argv, the terminal window
# maximized and focused, open after the converter has ended and closed by Enter, and that no
# QT_QPA_PLATFORM reaches the terminal or the converter.
# Usage: desktop_test.sh gnome|kde   (as root: the session gets mount and network namespaces of
# its own) with FRONTEND, CONSOLE_HELPER, MAXIMIZER and FAKE_CONVERTER, and for KDE FAKE_KEYS, in the
# environment.
set -euo pipefail
desktop=$1
here=$(cd "$(dirname "$0")" && pwd)
fail() {
    echo "FAIL: $*" >&2
    # What the screen showed, kept outside the test's folder.
    if declare -F shot >/dev/null; then
        shot "${TMPDIR:-/tmp}/zoraven-$desktop-failure-$$.png" && echo "screen at failure: ${TMPDIR:-/tmp}/zoraven-$desktop-failure-$$.png" >&2
    fi
    exit 1
}

if [ -z "${ZORAVEN_DESKTOP_NAMESPACE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || fail "a desktop session of its own needs root (mount and network namespaces)"
    for tool in unshare dbus-daemon dbus-run-session dbus-update-activation-environment /usr/bin/python3 ps; do
        command -v "$tool" >/dev/null || fail "$tool is not installed"
    done
    case "$desktop" in
        gnome) for tool in gnome-shell Xwayland gnome-terminal gsettings; do command -v "$tool" >/dev/null || fail "$tool is not installed"; done ;;
        kde) for tool in kwin_wayland konsole; do command -v "$tool" >/dev/null || fail "$tool is not installed"; done ;;
        *) fail "unknown desktop $desktop" ;;
    esac
    # Its own mounts, so that the session's sockets and /run are its alone; its own network, so
    # that its X display and abstract sockets meet no other server on the machine.
    exec env ZORAVEN_DESKTOP_NAMESPACE=1 unshare --mount --net --fork -- bash "$0" "$@"
fi

work=$(mktemp -d)
trap 'pkill -f -- "$work/" 2>/dev/null || true; kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
source "$here/../wait_until.sh"

if [ -z "${ZORAVEN_DESKTOP_SESSION:-}" ]; then
    # GNOME Shell takes a /run/systemd/seats folder for logind, which a bare machine lacks; and
    # it wants a system bus.
    mount --make-rprivate /
    [ ! -d /run/systemd ] || mount -t tmpfs tmpfs /run/systemd
    mkdir -p /run/dbus /tmp/.X11-unix
    mount -t tmpfs tmpfs /run/dbus
    mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix
    # The image, at a short path to type: see below.
    mkdir -p /srv
    mount -t tmpfs tmpfs /srv
    dbus-daemon --system --fork --nopidfile
    export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
    mkdir -p "$HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XAUTHORITY DBUS_SESSION_BUS_ADDRESS
    export XDG_SESSION_TYPE=wayland LANG=C.UTF-8
    status=0
    # The session bus's own log goes to a file, shown when the test fails.
    ZORAVEN_DESKTOP_SESSION=1 dbus-run-session -- bash "$0" "$@" 2> >(tee "$work/session.log" | grep -E '^(FAIL|ok)' >&2) || status=$?
    wait
    [ "$status" -eq 0 ] || tail -n 40 "$work/session.log" >&2
    exit "$status"
fi

# Inside the session's own bus. The front end beside a stand-in converter; the terminal is the
# desktop's own.
app=$work/app logs=$work/logs
mkdir -p "$app" "$logs"
cp "$FRONTEND" "$app/zoraven-frontend"
cp "$CONSOLE_HELPER" "$app/zoraven-console"
cp "$MAXIMIZER" "$app/zoraven-maximize"
cp "$FAKE_CONVERTER" "$app/zoraven"
image=/srv/disc.bin
: >"$image"
export ZORAVEN_FAKE_LOG_DIR=$logs ZORAVEN_FAKE_DELAY_MS=1000

source "$here/$desktop.sh"
start_session

# The session's environment for the programs it starts, as a session manager would fill it.
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XAUTHORITY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE LANG \
    ZORAVEN_FAKE_LOG_DIR ZORAVEN_FAKE_DELAY_MS PATH

window_line() { windows | grep -F "\"title\": \"$1" | tail -n1; }
has_window() { [ -n "$(window_line "$1")" ]; }
field() { /usr/bin/python3 -c 'import json,sys; print(json.loads(sys.argv[1])[sys.argv[2]])' "$1" "$2"; }

PATH=$app:/usr/bin:/bin "$app/zoraven-frontend" 2>"$work/frontend.err" &
wait_until has_window "ZORAVEN frontend" || fail "no front end window; windows: $(windows)"
frontend=$(window_line "ZORAVEN frontend")
[ "$(field "$frontend" title)" = "ZORAVEN frontend By (^)TOLVAR(^)" ] || fail "the caption is $(field "$frontend" title)"
check_frontend_frame "$frontend"
echo "ok: the front end's window: $frontend"

frontend_focused() { [ "$(field "$(window_line "ZORAVEN frontend")" focused)" = True ]; }
wait_until frontend_focused || fail "the front end's window did not take the focus: $(windows)"
# Browse (Tab from the path box), the path typed into the dialog's name field, Return.
keys Tab space
wait_until has_window "Open" || fail "no file dialog; windows: $(windows)"
# Each '/' brings up the name field's completion list, which takes the keyboard as it opens: a
# key typed at that moment is lost (seen on KWin, once in nine runs three at a time). So the path
# is short, and typed a folder at a time, each with the time it takes to send the next batch.
keys text:/
keys text:srv/
keys text:disc.bin Return
no_dialog() { ! has_window "Open"; }
wait_until no_dialog || fail "the file dialog stayed; windows: $(windows)"
# PAL (the standards are one Tab stop, PAL first), then CONVERT IMAGE.
keys Tab space Tab space
converter_started() { compgen -G "$logs/converter-*" >/dev/null; }
wait_until converter_started || fail "no converter started; windows: $(windows); front end: $(cat "$work/frontend.err")"
record=$(compgen -G "$logs/converter-*")
cmp <(perl -0777 -ne 'print $1 if /\nargv\n(.*)\z/s' "$record") <(printf 'zoraven\0-p\0%s\0' "$image") ||
    fail "the converter's argv differs: $(perl -0777 -ne 'print $1 if /\nargv\n(.*)\z/s' "$record" | tr '\0' ' ')"
[ "$(sed -n 's/^qpa //p' "$record")" = - ] || fail "the converter was given QT_QPA_PLATFORM=$(sed -n 's/^qpa //p' "$record")"
helper=$(sed -n 's/^ppid //p' "$record")
! tr '\0' '\n' <"/proc/$helper/environ" | grep -q '^QT_QPA_PLATFORM=' || fail "the terminal was given QT_QPA_PLATFORM"
echo "ok: the converter's argv through $TERMINAL, and no QT_QPA_PLATFORM for it or the terminal"

wait_until has_window "zoraven -p" || fail "no terminal window; windows: $(windows)"
maximized_and_focused() { terminal_maximized_and_focused "$(window_line "zoraven -p")"; }
wait_until maximized_and_focused || fail "$TERMINAL's window is not maximized and focused: $(window_line "zoraven -p")"
echo "ok: $TERMINAL's window maximized and focused: $(window_line "zoraven -p")"
# For the README: the screen with the converter's window, and the front end's beside it.
[ -z "${ZORAVEN_DESKTOP_SHOT:-}" ] || shot "$ZORAVEN_DESKTOP_SHOT"

converter_ended() { ! ps -p "$(sed -n 's/^pid //p' "$record")" >/dev/null; }
wait_until converter_ended || fail "the converter did not end"
at_prompt() { [ "$(cat "/proc/$helper/wchan" 2>/dev/null)" = wait_woken ]; }
wait_until at_prompt || fail "the console helper is not at its prompt"
has_window "zoraven -p" || fail "$TERMINAL's window closed when the converter ended"
keys Return
no_terminal() { ! has_window "zoraven -p"; }
wait_until no_terminal || fail "Enter did not close $TERMINAL's window: $(windows)"
echo "ok: $TERMINAL's window open after the end, closed by Enter"
