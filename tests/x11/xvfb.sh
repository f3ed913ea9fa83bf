# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the X11 tests: a private Xvfb server for this test alone, and a clean-up that
# ends it and everything the test started.
set -euo pipefail

work=$(mktemp -d)
pids=()
cleanup() {
    # Terminals and converters run in sessions of their own; they all name this folder.
    pkill -f -- "$work/" 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    # What the screen showed, for whoever reads the failure, in a folder of its own that outlives
    # the test's.
    if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
        local shot
        shot=${FAILURE_SHOT:-$(mktemp -d "${TMPDIR:-/tmp}/zoraven-failure-XXXXXX")/screen.png}
        import -window root "$shot" 2>/dev/null && echo "screen at failure: $shot" >&2
    fi
    exit 1
}

source "$(dirname "${BASH_SOURCE[0]}")/../wait_until.sh"

# The server picks a free display number itself and writes it to descriptor 3 once it takes
# connections. Without -noreset it resets whenever its last client leaves, and refuses whoever
# connects during the reset: a program started just after another one ended.
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_until test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
# Everything started here stays on this server, even when the tests run inside a Wayland
# session; and no desktop's terminal is preferred unless a test asks for one.
export QT_QPA_PLATFORM=xcb
# The names the tests use are UTF-8, and so must the terminals' titles be (xterm sets no
# _NET_WM_NAME in the C locale), whatever the session's locale.
export LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY XDG_CURRENT_DESKTOP
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The terminal the user chose (the desktop's settings, an xdg-terminals.list) comes first: the
# tests' terminals are chosen by the tests alone.
export XDG_CONFIG_HOME="$work/config"
mkdir "$XDG_CONFIG_HOME"

# The titles of the visible windows, for a failure's message.
visible_windows() { xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | paste -s -d '|' || true; }

# Prints the id of the first visible window titled to match PATTERN, once there is one. It
# searches again and again: one search fails when a window vanishes while it runs (as when a
# window manager starts).
find_window() { # PATTERN
    local id end=$((SECONDS + deadline_seconds))
    while [ "$SECONDS" -lt "$end" ]; do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
        [ -n "$id" ] && echo "$id" && return 0
        sleep 0.05
    done
    echo "no visible window titled /$1/ within $deadline_seconds s; visible: $(visible_windows)" >&2
    return 1
}

# True once no visible window is titled to match PATTERN.
no_window() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# Waits for the front end's window and prints its id.
wait_for_window() { find_window '^ZORAVEN frontend'; }

# Starts openbox, with no mouse or key bindings (see openbox-rc.xml), and waits until it manages
# the screen.
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
start_window_manager() {
    openbox --config-file "$(dirname "${BASH_SOURCE[0]}")/openbox-rc.xml" >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wait_until wm_ready || fail "openbox did not manage the screen within $deadline_seconds s: $(cat "$work/openbox.log")"
}

# Where the front end's controls are, in its window's pixels.
readonly BROWSE="312 44" NTSC="132 100" PAL="132 128" CONVERT="312 108"

# Starts a program through x_probe once its window is mapped: sets started_pid and started_window.
start_window() {
    local line
    line=$("$X_PROBE" launch "$@") || fail "$1 showed no window"
    read -r started_pid started_window _ <<<"$line"
    pids+=("$started_pid")
}

click() { # WINDOW "X Y" [LOG_DIR]
    # shellcheck disable=SC2086
    "$X_PROBE" click "$1" $2 "${@:3}"
}

has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(($1))" ]; }
# How much of an area of WINDOW is drawn: 1 for all white, less for anything on it.
brightness() { import -window "$1" -crop "$2" -format '%[fx:mean]' info: 2>/dev/null || echo 1; }
# The first row of the dialog's file list: its icon, and the blank end of its name column.
first_file_shown() { [ "$(brightness "$1" 12x12+112+64)" != 1 ]; }
first_file_selected() { awk '{ exit !($1 < 0.9) }' <<<"$(brightness "$1" 50x8+300+66)"; }
# The dialog's name field, once it shows a name.
name_field_filled() { [ "$(brightness "$1" 60x10+104+355)" != 1 ]; }
# Copies a picture into a folder that outlives the test, and prints its path.
keep_shot() { # FILE
    local kept
    kept=$(mktemp -d "${TMPDIR:-/tmp}/zoraven-failure-XXXXXX")/${1##*/}
    cp "$1" "$kept" 2>/dev/null && echo "$kept" || echo "none"
}

# Chooses FILE in the front end's file dialog, as a person would. FILE must be alone in
# its folder with a .bin name: a name with a double quote cannot be typed into Qt's dialog
# (it reads quotes as separators between names), so the folder is typed and the file is
# picked from the list.
choose_file() { # WINDOW FILE
    local dialog _
    click "$1" "$BROWSE"
    dialog=$(find_window '^Open$') || fail "no file dialog"
    wait_until has_focus "$dialog" || fail "the file dialog never had the keyboard focus (it was at $(xdotool getwindowfocus))"
    # The dialog takes the keys in order: the folder is open before anything below arrives.
    xdotool type --delay 5 "$(dirname "$2")/"
    xdotool key Return
    wait_until first_file_shown "$dialog" || fail "the file dialog did not list $(dirname "$2")"
    # The name field's completion list may be up, and takes a click to close: click the file
    # until it is selected, half a second apart so that no two clicks make a double-click.
    for _ in $(seq 20); do
        xdotool mousemove --window "$dialog" 200 70 click 1
        for _ in $(seq 10); do first_file_selected "$dialog" && break 2; sleep 0.05; done
    done
    first_file_selected "$dialog" || fail "the file could not be selected in the dialog"
    # The selection puts the file's name into the name field, where Return takes it.
    wait_until name_field_filled "$dialog" || fail "the file's name did not reach the dialog's name field"
    # What the dialog showed as Return went, kept for a failure below.
    import -window "$dialog" "$work/dialog-at-return.png" 2>/dev/null || true
    xdotool key Return
    wait_until no_window '^Open$' || fail "the file dialog did not close; visible: $(visible_windows);" \
        "the dialog as Return went: $(keep_shot "$work/dialog-at-return.png")"
    # Under a window manager, the window takes clicks again once the manager has given it the
    # focus back, a moment after the dialog has gone.
    ! wm_ready || wait_until has_focus "$1" ||
        fail "the window did not get the focus back from its dialog (it is at $(xdotool getwindowfocus))"
}

# Chooses the standard whose button is at SPOT ("$NTSC" or "$PAL"), and waits until the button
# is drawn chosen: its dot, left of the spot. A click that went astray fails here, and not later
# as a converter that never started.
choose_standard() { # WINDOW SPOT
    local x y
    read -r x y <<<"$2"
    chosen() { awk '{ exit !($1 < 0.6) }' <<<"$(brightness "$1" "4x4+$((x - 23))+$((y - 2))")"; }
    click "$1" "$2"
    wait_until chosen "$1" || fail "the standard at $2 is not drawn chosen after its click"
}

# Waits until DIR holds COUNT records of ROLE (converter or terminal); prints their files.
wait_for_records() { # DIR COUNT [ROLE]
    local files=() end=$((SECONDS + deadline_seconds))
    while [ "$SECONDS" -lt "$end" ]; do
        shopt -s nullglob
        files=("$1/${3:-converter}"-*)
        shopt -u nullglob
        [ ${#files[@]} -ge "$2" ] && break
        sleep 0.05
    done
    [ ${#files[@]} -ge "$2" ] || fail "expected $2 ${3:-converter} records in $1, found ${#files[@]}; visible: $(visible_windows)"
    printf '%s\n' "${files[@]}"
}

# A record's field, and its argv as NUL-terminated bytes.
record_field() { sed -n "s/^$2 //p" "$1" | head -n1; }
record_argv() { perl -0777 -ne 'print $1 if /\nargv\n(.*)\z/s' "$1"; }
