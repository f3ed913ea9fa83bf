#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program in a real desktop session, headless: GNOME Shell or KWin, each in a session of
# its own, driven with keys that the compositor takes as the user's. Browse, type the image's
# path, Return, PAL, CONVERT IMAGE; then the converter's terminal window, and Enter to close it.
# It checks the caption (and on GNOME the title bar), the converter's argv, the terminal window
# maximized and focused, open after the converter has ended and closed by Enter, and that no
# QT_QPA_PLATFORM reaches the terminal or the converter.
# GNOME Shell 43 to 48 and KWin 5 and 6, each told apart at run time. The dialog is driven by its
# state: each key of the path once the name field, read through the accessibility bus, shows the
# key before it.
# Usage: desktop_test.sh gnome|kde   with FRONTEND, CONSOLE_HELPER, MAXIMIZER and FAKE_CONVERTER,
# and for KDE FAKE_KEYS, in the environment. The session gets mount, network and process
# namespaces of its own, which need root: run by another user, the test runs itself through
# `sudo -n`. Nothing it starts outlives it, and it leaves nothing in /tmp but, after a failure, a
# folder (its path printed) with what the screen showed, where the compositor can take a picture.
set -euo pipefail
desktop=$1
here=$(cd "$(dirname "$0")" && pwd)
fail() {
    echo "FAIL: $*" >&2
    # What the screen showed, kept in a folder of its own outside the session's /tmp.
    if declare -F shot >/dev/null && [ -n "${ZORAVEN_DESKTOP_OUTSIDE:-}" ]; then
        local kept
        kept=$(mktemp -d -p "$ZORAVEN_DESKTOP_OUTSIDE")
        if shot "$kept/screen-at-failure.png" >/dev/null 2>&1; then
            [ -z "${SUDO_UID:-}" ] || chown -R "$SUDO_UID:$SUDO_GID" "$kept"
            echo "screen at failure: $ZORAVEN_DESKTOP_OUTSIDE_NAME/${kept##*/}/screen-at-failure.png" >&2
        else
            rmdir "$kept"
        fi
    fi
    exit 1
}

if [ -z "${ZORAVEN_DESKTOP_NAMESPACE:-}" ]; then
    for tool in unshare dbus-daemon dbus-run-session dbus-update-activation-environment /usr/bin/python3 ps \
        /usr/libexec/at-spi-bus-launcher; do
        command -v "$tool" >/dev/null || fail "$tool is not installed"
    done
    case "$desktop" in
        gnome) for tool in gnome-shell Xwayland gnome-terminal gsettings; do command -v "$tool" >/dev/null || fail "$tool is not installed"; done ;;
        kde) for tool in kwin_wayland konsole; do command -v "$tool" >/dev/null || fail "$tool is not installed"; done ;;
        *) fail "unknown desktop $desktop" ;;
    esac
    if [ "$(id -u)" -ne 0 ]; then
        # The session's namespaces need root: the rest runs through sudo, which must not ask.
        command -v sudo >/dev/null || fail "a desktop session of its own needs root (mount, network and process namespaces), and sudo is not installed"
        refusal=$(sudo -n true 2>&1) || fail "a desktop session of its own needs root (mount, network and process namespaces), and sudo -n refuses: $refusal"
        exec sudo -n -- env FRONTEND="$FRONTEND" CONSOLE_HELPER="$CONSOLE_HELPER" MAXIMIZER="$MAXIMIZER" \
            FAKE_CONVERTER="$FAKE_CONVERTER" FAKE_KEYS="${FAKE_KEYS:-}" ZORAVEN_DESKTOP_SHOT="${ZORAVEN_DESKTOP_SHOT:-}" \
            LANG="${LANG:-C.UTF-8}" bash "$0" "$@"
    fi
    # Its own mounts, so that the session's sockets, /run and /tmp are its alone; its own network,
    # so that its X display and abstract sockets meet no other server on the machine; its own
    # processes, so that whatever the session started (the system bus and what it activates, the
    # compositor, Xwayland, the terminals) ends with it, pass or fail.
    ZORAVEN_DESKTOP_NAMESPACE=1 exec unshare --mount --net --pid --fork --kill-child=TERM --mount-proc -- bash "$0" "$@"
fi

if [ -z "${ZORAVEN_DESKTOP_SESSION:-}" ]; then
    # Process 1 of the namespace: when it ends, the kernel ends every other process in it. Its
    # own /tmp (Xwayland's lock files and sockets, the session bus, the test's folder) goes too.
    # The /tmp outside stays reachable through an open descriptor, for a failure's screenshot.
    outside=${TMPDIR:-/tmp}
    exec 7<"$outside"
    export ZORAVEN_DESKTOP_OUTSIDE=/proc/$$/fd/7 ZORAVEN_DESKTOP_OUTSIDE_NAME=$outside
    trap 'exit 1' TERM
    # That /tmp is made on a fresh folder, given what the test needs from outside, which may lie
    # in /tmp too, and moved onto /tmp; the folder goes at once.
    fresh=$(mktemp -d)
    mount -t tmpfs -o mode=1777 tmpfs "$fresh"
    stage=zoraven-desktop-test
    mkdir -p "$fresh/$stage/tests/desktop" "$fresh/$stage/bin"
    cp -r "$here/." "$fresh/$stage/tests/desktop/"
    cp "$here/../wait_until.sh" "$fresh/$stage/tests/"
    for program in FRONTEND CONSOLE_HELPER MAXIMIZER FAKE_CONVERTER FAKE_KEYS; do
        if [ -n "${!program:-}" ]; then
            cp "${!program}" "$fresh/$stage/bin/$program"
            export "$program=/tmp/$stage/bin/$program"
        fi
    done
    mount --move "$fresh" /tmp
    rmdir "$ZORAVEN_DESKTOP_OUTSIDE/${fresh##*/}"
    here=/tmp/$stage/tests/desktop
    mkdir -m 1777 /tmp/.X11-unix
    work=$(mktemp -d)
    # GNOME Shell takes a /run/systemd/seats folder for logind, which a bare machine lacks; and
    # it wants a system bus.
    [ ! -d /run/systemd ] || mount -t tmpfs tmpfs /run/systemd
    mkdir -p /run/dbus
    mount -t tmpfs tmpfs /run/dbus
    # The image, at a short path to type: see below.
    mkdir -p /srv
    mount -t tmpfs tmpfs /srv
    dbus-daemon --system --fork --nopidfile
    export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work
    mkdir -p "$HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XAUTHORITY DBUS_SESSION_BUS_ADDRESS KDE_FULL_SESSION KDE_SESSION_VERSION
    export XDG_SESSION_TYPE=wayland LANG=C.UTF-8
    status=0
    # The session bus's own log goes to a file, shown when the test fails.
    ZORAVEN_DESKTOP_SESSION=1 ZORAVEN_DESKTOP_WORK=$work dbus-run-session -- bash "$here/desktop_test.sh" "$@" \
        2> >(tee "$work/session.log" | grep -E '^(FAIL|ok|screen at failure)' >&2) || status=$?
    [ "$status" -eq 0 ] || { sleep 0.2; tail -n 40 "$work/session.log" >&2; }
    exit "$status"
fi

work=$ZORAVEN_DESKTOP_WORK
source "$here/../wait_until.sh"

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

# KEY, then, once the focus of process PID is on what is named "ROLE: NAME" (read over the
# accessibility bus), the other KEYS.
press_on() { # PID ROLE-AND-NAME KEY KEYS...
    local pid=$1 target=$2 first=$3
    shift 3
    keys "$first"
    focus_on() { [ "$("$here/a11y.py" focus "$pid" 2>/dev/null)" = "$target" ]; }
    wait_until focus_on || fail "$first did not bring the focus to $target, but to: $("$here/a11y.py" focus "$pid" 2>&1)"
    keys "$@"
}

# Browse (Tab from the path box): the file dialog up.
open_file_dialog() { # FRONTEND-PID
    press_on "$1" "push button: Browse" Tab space
    wait_until has_window "Open" || fail "no file dialog; windows: $(windows)"
}

# The file dialog as its user sees it: titled "Open", at "/", the two entries with their exact
# texts and the first in force (the combo box that shows it lists both), and nothing on stderr.
# Read once its widgets are on the accessibility bus.
check_file_dialog() { # FRONTEND-PID
    local title
    title=$(field "$(window_line "Open")" title)
    [ "$title" = Open ] || fail "the file dialog is titled \"$title\", not \"Open\""
    dialog_combos=
    entries_shown() {
        dialog_combos=$("$here/a11y.py" combos "$1" Open 2>&1)
        grep -qxF '{"name": "Cdr-Win Image (*.bin)", "entries": ["Cdr-Win Image (*.bin)", "ISO Image (*.iso)"]}' \
            <<<"$dialog_combos"
    }
    wait_until entries_shown "$1" || fail "the file dialog's entries are not as written: $dialog_combos"
    grep -qF '{"name": "/", ' <<<"$dialog_combos" || fail "the file dialog does not start at /: $dialog_combos"
    [ ! -s "$work/frontend.err" ] || fail "the front end wrote on stderr: $(cat "$work/frontend.err")"
    echo "ok: the file dialog titled Open, at /, its entries: $(head -n1 <<<"$dialog_combos")"
}

# PATH typed into the dialog's name field, Return: the dialog gone, PATH in the path box.
type_in_file_dialog() { # FRONTEND-PID PATH
    # Each '/' brings up the name field's completion list, which takes the keyboard as it opens:
    # each key goes once the field shows the one before it.
    type_checked "$1" Open "$2" || fail "the dialog's name field did not take $2"
    keys Return
    no_dialog() { ! has_window "Open"; }
    wait_until no_dialog || fail "the file dialog stayed; windows: $(windows)"
    local texts
    texts=$("$here/a11y.py" texts "$1")
    grep -qF "\"name\": \"Image location\", \"text\": \"$2\"" <<<"$texts" || fail "the path box does not show $2: $texts"
    [ ! -s "$work/frontend.err" ] || fail "the front end wrote on stderr: $(cat "$work/frontend.err")"
}

source "$here/$desktop.sh"
start_session

# The session's environment for the programs it starts, as a session manager would fill it.
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XAUTHORITY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE LANG \
    ZORAVEN_FAKE_LOG_DIR ZORAVEN_FAKE_DELAY_MS PATH TMPDIR ${session_variables:-}

window_line() { windows | grep -F "\"title\": \"$1" | tail -n1; }
has_window() { [ -n "$(window_line "$1")" ]; }
field() { /usr/bin/python3 -c 'import json,sys; print(json.loads(sys.argv[1])[sys.argv[2]])' "$1" "$2"; }

# The front end with its accessibility bridge on, so that the test can read its fields.
PATH=$app:/usr/bin:/bin QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$app/zoraven-frontend" 2>"$work/frontend.err" &
wait_until has_window "ZORAVEN frontend" || fail "no front end window; windows: $(windows)"
frontend=$(window_line "ZORAVEN frontend")
[ "$(field "$frontend" title)" = "ZORAVEN frontend By (^)TOLVAR(^)" ] || fail "the caption is $(field "$frontend" title)"
check_frontend_platform "$frontend"
echo "ok: the front end's window: $frontend"

frontend_focused() { [ "$(field "$(window_line "ZORAVEN frontend")" focused)" = True ]; }
wait_until frontend_focused || fail "the front end's window did not take the focus: $(windows)"
choose_file "$(field "$frontend" pid)" "$image"
# PAL (the standards are one Tab stop, PAL first), then CONVERT IMAGE.
press_on "$(field "$frontend" pid)" "radio button: PAL" Tab space
press_on "$(field "$frontend" pid)" "push button: CONVERT IMAGE" Tab space
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
check_maximized_at_once "$(window_line "zoraven -p")"
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
