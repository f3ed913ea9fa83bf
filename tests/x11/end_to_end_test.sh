#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program under Xvfb, driven as a person would: hostile file names chosen in the real
# dialog reach the converter byte for byte and through no shell; many launches leave no zombie
# and no descriptor behind; a converter outlives the window closed right after starting it; in
# real terminals, also when the session lacks its runtime folder, when the front end was started
# from another window (whose WINDOWID must reach nothing of ours), and when a terminal's window
# comes after the launcher has given up on it. With the argument "bursts", only the bursts of
# clicks (a stuck mouse button): each click runs the converter once, with no terminal, with
# terminals that come up at once and with one that comes up as the launcher gives up on it.
# Needs FRONTEND, FAKE_CONVERTER, CONSOLE_HELPER, MAXIMIZER and X_PROBE in the environment.
source "$(dirname "$0")/xvfb.sh"
# Checks below that look for something to be gone would pass without the tool that looks.
for tool in ps xdotool xprop openbox dbus-daemon; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

# The front end beside a stand-in converter, with a PATH that holds no terminal, so that the
# converter is its direct child.
app=$work/app logs=$work/logs images=$work/images
mkdir -p "$app" "$logs" "$images" "$work/empty"
cp "$FRONTEND" "$app/zoraven-frontend"
cp "$FAKE_CONVERTER" "$app/zoraven"
export ZORAVEN_FAKE_LOG_DIR=$logs
cd "$work/empty"

if [ "${1:-}" = bursts ]; then
    cp "$CONSOLE_HELPER" "$app/zoraven-console"
    start_window_manager
    # Stand-ins for terminals: xterm and urxvt (the first two that are tried) that run their command
    # at once; and an xterm that hands its window over to another process, which runs the command
    # 10 s later, as the launcher gives up on it, so that either may take the run's claim first.
    mkdir "$work/at-once" "$work/late"
    cp "$FAKE_CONVERTER" "$work/at-once/xterm"
    cp "$FAKE_CONVERTER" "$work/at-once/urxvt"
    cp "$FAKE_CONVERTER" "$work/late/xterm"
    mkdir "$images/burst"
    image="$images/burst/disc.bin"
    : >"$image"
    # Helpers, terminals and converters all carry the image's path on their command lines.
    still_running() { pgrep -f -- "$image"; }
    # Rows: what the terminals do, PATH, the terminal that comes up late.
    rows=("no terminal|$work/empty|" "terminals that come up at once|$work/at-once:$work/empty|"
        "a terminal that comes up as the launcher gives up on it|$work/late:$work/at-once:$work/empty|xterm")
    for row in "${rows[@]}"; do
        IFS='|' read -r what path late <<<"$row"
        rm -f "$logs"/*
        env PATH="$path" ZORAVEN_FAKE_ODD_TERMINAL="$late" ZORAVEN_FAKE_TERMINAL_EXIT=0 \
            ZORAVEN_FAKE_TERMINAL_DELAY_MS=10000 "$app/zoraven-frontend" >"$work/frontend.out" 2>"$work/frontend.err" &
        started=$!
        pids+=("$started")
        window=$(wait_for_window) || fail "no front end window"
        choose_file "$window" "$image"
        choose_standard "$window" "$PAL"
        xdotool mousemove --window "$window" $CONVERT click --repeat 300 --delay 5 1 click --repeat 200 --delay 10 1
        wait_for_records "$logs" 500 >/dev/null
        settled() { ! still_running >/dev/null; }
        wait_until settled || fail "$what: still running: $(still_running | head -n 3 | xargs -r ps -o args= -p)"
        runs=$(find "$logs" -name 'converter-*' | wc -l)
        [ "$runs" -eq 500 ] || fail "$what: $runs conversions for 500 clicks"
        [ ! -s "$work/frontend.out" ] && [ ! -s "$work/frontend.err" ] ||
            fail "$what: the front end's output and errors: $(head -c 300 "$work/frontend.out" "$work/frontend.err")"
        "$X_PROBE" close "$window"
        late_windows=$(find "$logs" -name 'late-*' | wc -l)
        too_late=$(find "$logs" -name 'output-*' -exec cat {} + | grep -c 'too late' || true)
        echo "ok: 300 clicks 5 ms apart and 200 clicks 10 ms apart, $what: 500 conversions," \
            "$((late_windows - too_late)) of them in late windows, nothing on the front end's output"
    done
    exit 0
fi

names=(
    'disc one.bin'
    "it's \"quoted\".bin"
    '$(touch pwned).bin'
    '`touch pwned`.bin'
    'a;b|c&d>e.bin'
    '-rf disc.bin'
    "caf$(printf '\xc3\xa9') $(printf '\xe6\x97\xa5\xe6\x9c\xac').bin"
)

PATH=$work/empty start_window "$app/zoraven-frontend"
frontend=$started_pid window=$started_window

echo "# hostile names through the real dialog"
for i in "${!names[@]}"; do
    mkdir "$images/$i"
    image="$images/$i/${names[$i]}"
    : >"$image"
    choose_file "$window" "$image"
    [ "$i" -eq 0 ] && choose_standard "$window" "$PAL"
    click "$window" "$CONVERT"
    record=$(wait_for_records "$logs" 1)
    cmp <(record_argv "$record") <(printf 'zoraven\0-p\0%s\0' "$image") || fail "argv differs for ${names[$i]}"
    [ "$(record_field "$record" ppid)" = "$frontend" ] || fail "the converter is not the front end's own child"
    [ "$(record_field "$record" exe)" = "$app/zoraven" ] || fail "another converter ran"
    rm "$record"
    echo "ok: ${names[$i]}"
done
[ -z "$(find "$work" -name pwned)" ] || fail "a file name was run through a shell"

echo "# 200 launches in a row"
# Open descriptors once every converter started so far has ended and been collected: until
# then, each one's pidfd is open as well.
no_children() { [ -z "$(ps --ppid "$1" -o pid=)" ]; }
settled_descriptors() {
    wait_until no_children "$frontend" || fail "children left: $(ps --ppid "$frontend" -o pid=,stat=)"
    ls "/proc/$frontend/fd" | wc -l
}
before=$(settled_descriptors)
for _ in $(seq 200); do click "$window" "$CONVERT"; done
wait_for_records "$logs" 200 >/dev/null
no_zombies() { ! ps --ppid "$1" -o stat= | grep -q '^Z'; }
wait_until no_zombies "$frontend" || fail "zombies left: $(ps --ppid "$frontend" -o pid=,stat= | grep -c Z)"
after=$(settled_descriptors)
# Fewer is fine: the file dialog's background threads, busy a moment ago, may still have held a
# folder open at the first count. A leak shows as growth over 200 launches.
[ "$after" -le "$before" ] || fail "open descriptors grew from $before to $after"
rm "$logs"/converter-*
choose_standard "$window" "$NTSC"
click "$window" "$CONVERT"
record=$(wait_for_records "$logs" 1)
[ "$(record_argv "$record" | tr '\0' '\n' | sed -n 2p)" = "-n" ] || fail "the window no longer answers"
rm "$record"
echo "ok: no zombie, $before descriptors before and $after after, the window answers"

echo "# the converter outlives the window"
# One window at a time: without a window manager both would stand at the same place.
"$X_PROBE" close "$window"
has_ended() { [[ "$(ps -o stat= -p "$1")" =~ ^Z?$ ]]; }
wait_until has_ended "$frontend" || fail "closing the window did not end the front end: $(ps -o stat= -p "$frontend")"

# This one is the shell's own child, so that its exit status can be read.
ZORAVEN_FAKE_DELAY_MS=1500 PATH=$work/empty "$app/zoraven-frontend" 2>"$work/frontend.err" &
second=$!
second_window=$(wait_for_window) || fail "no second window"
choose_file "$second_window" "$images/0/${names[0]}"
choose_standard "$second_window" "$PAL"
click "$second_window" "$CONVERT"
"$X_PROBE" close "$second_window"
status=0
wait_until has_ended "$second" || fail "closing the window did not end the front end"
wait "$second" || status=$?
[ "$status" -eq 0 ] || fail "the front end ended with status $status: $(cat "$work/frontend.err")"
[ -z "$(ls "$logs")" ] || fail "the converter finished before the window closed; the test proves nothing: $(ls "$logs")"
record=$(wait_for_records "$logs" 1)
[ "$(record_field "$record" sid)" = "$(record_field "$record" pid)" ] || fail "the converter has no session of its own"
echo "ok: the converter ran on after the front end ended"

echo "# inside real terminals"
is_gone() { ! ps -p "$1" >/dev/null; }
maximized() { xprop -id "$1" _NET_WM_STATE | grep -q '_NET_WM_STATE_MAXIMIZED_VERT, _NET_WM_STATE_MAXIMIZED_HORZ'; }
# Asleep in a read of its terminal (the kernel names the wait that n_tty_read sleeps in).
reads_its_terminal() { [ "$(cat "/proc/$1/wchan" 2>/dev/null)" = wait_woken ]; }
# The desktops' default terminals, each picked by its desktop's name, and xterm without one.
# A window manager, so that a terminal's window can be maximized; a session bus, which
# gnome-terminal cannot do without.
cp "$CONSOLE_HELPER" "$app/zoraven-console"
cp "$MAXIMIZER" "$app/zoraven-maximize"
start_window_manager
read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -s -d ' ') ||
    fail "no session bus"
pids+=("$bus_pid")
image="$images/6/${names[6]}"
# A konsole that hands its window over to a running instance, which shows it only after the
# launcher has given up on it (a cold server-style terminal on a loaded machine).
mkdir "$work/handing-over"
printf '%s\n' '#!/bin/sh' 'while [ $# -gt 0 ] && [ "$1" != -e ]; do shift; done' 'shift' \
    '(sleep 13 && exec xterm -T "late window" -e "$@") >/dev/null 2>&1 &' >"$work/handing-over/konsole"
chmod +x "$work/handing-over/konsole"
# The window of whatever the front end was started from, which nothing of ours may touch (a
# program that sets no title of its own: a shell's prompt may).
xterm -T "the user's own window" -e sleep 600 &
pids+=($!)
own_window=$(find_window "^the user's own window$") || fail "no window of the user's own"
# Rows: the terminal whose window runs the converter, the desktop, and what else is odd.
rows=("xterm||" "gnome-terminal|GNOME|" "konsole|KDE|" "lxterminal|LXDE|started from a window"
    "xterm||a runtime folder that is missing" "xterm|KDE|a terminal whose window comes late")
for row in "${rows[@]}"; do
    IFS='|' read -r terminal desktop odd <<<"$row"
    command -v "$terminal" >/dev/null || fail "$terminal is not installed"
    rm -f "$logs"/converter-*
    # A settings folder of the row's own: gnome-terminal names itself the user's terminal in the
    # xdg-terminals.list of the one it started with, which would choose it for the rows after.
    config=$(mktemp -d "$work/config-XXXXXX")
    environment=(XDG_CURRENT_DESKTOP="$desktop" DBUS_SESSION_BUS_ADDRESS="$bus_address" PATH="$work/empty:/usr/bin:/bin"
        XDG_CONFIG_HOME="$config")
    # These rows are about the terminals. KDE's own file dialog, which Qt shows where plasma-integration
    # is installed, is driven in the KWin session test; here the GTK theme makes Qt show its own,
    # which choose_file drives.
    [ "$desktop" != KDE ] || environment+=(QT_QPA_PLATFORMTHEME=gtk3)
    case "$odd" in
        "started from a window") environment+=(WINDOWID="$own_window") ;;
        "a runtime folder that is missing") environment+=(XDG_RUNTIME_DIR="$work/no-runtime") ;;
        "a terminal whose window comes late") environment+=(PATH="$work/empty:$work/handing-over:/usr/bin:/bin") ;;
    esac
    env "${environment[@]}" "$app/zoraven-frontend" 2>"$work/frontend.err" &
    started=$!
    pids+=("$started")
    frontend_window=$(wait_for_window) ||
        fail "no front end window: $(ps -o stat=,wchan:32= -p "$started" || echo "the front end has ended"); $(cat "$work/frontend.err")"
    choose_file "$frontend_window" "$image"
    choose_standard "$frontend_window" "$NTSC"
    click "$frontend_window" "$CONVERT"
    record=$(wait_for_records "$logs" 1)
    cmp <(record_argv "$record") <(printf 'zoraven\0-n\0%s\0' "$image") || fail "argv differs through $terminal"
    helper=$(record_field "$record" ppid)
    [ "$(ps -o args= -p "$helper" | cut -d' ' -f1)" = "$app/zoraven-console" ] || fail "no console helper in $terminal"
    # The terminal that runs the helper (gnome-terminal's server, named gnome-terminal-server).
    ran_in=$(ps -o comm= -p "$(ps -o ppid= -p "$helper" | tr -d ' ')")
    [[ "$ran_in" == "${terminal:0:15}"* ]] || fail "the conversion ran in $ran_in, not in $terminal"
    [ "$(record_field "$record" window)" != "$own_window" ] || fail "$terminal was given the front end's WINDOWID"
    window=$(find_window "^zoraven -n ") || fail "no window of $terminal"
    xprop -id "$window" _NET_WM_NAME | grep -qF "\"zoraven -n $image" || fail "$terminal's title: $(xprop -id "$window" _NET_WM_NAME)"
    case "$terminal" in
        gnome-terminal | konsole | lxterminal)
            # gnome-terminal asks for it itself; for konsole and lxterminal, which cannot, the
            # helper asks openbox.
            wait_until maximized "$window" || fail "$terminal is not maximized: $(xprop -id "$window" _NET_WM_STATE)"
            ;;
        xterm)
            # xterm sizes itself to the screen's work area instead of asking for the state.
            [ "$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')" -ge 1000 ] ||
                fail "$terminal is not maximized"
            ;;
    esac
    ! maximized "$own_window" || fail "the user's own window was maximized"
    if [ "$odd" = "a terminal whose window comes late" ]; then
        # The late window stays, at its prompt, and the conversion still ran once.
        late=$(find_window "^late window$") || fail "the late window did not come"
        late_helper=$(pgrep -f -- "^$app/zoraven-console --claim=" | grep -vx "$helper" | head -n1 || true)
        [ -n "$late_helper" ] || fail "no console helper in the late window"
        wait_until reads_its_terminal "$late_helper" || fail "the late window is not at its prompt"
        [ "$(find "$logs" -name 'converter-*' | wc -l)" -eq 1 ] || fail "the late window ran the conversion again"
        xdotool windowactivate --sync "$late" key Return
        wait_until is_gone "$late_helper" || fail "Enter did not close the late window"
    fi
    # Once the helper has collected the converter and waits at its prompt, reading the terminal.
    wait_until is_gone "$(record_field "$record" pid)" || fail "the converter did not end"
    wait_until reads_its_terminal "$helper" || fail "the console helper is not at its prompt: $(ps -o stat= -p "$helper"; cat "/proc/$helper/wchan")"
    find_window "^zoraven -n " >/dev/null || fail "$terminal closed when the converter ended"
    xdotool windowactivate --sync "$window" key Return
    wait_until is_gone "$helper" || fail "Enter did not close $terminal"
    wait_until no_window "^zoraven -n " || fail "$terminal's window stayed after Enter"
    "$X_PROBE" close "$frontend_window"
    echo "ok: $terminal${desktop:+ for $desktop}${odd:+, $odd}: argv untouched, title, maximized, still open after the end, closed by Enter"
done
