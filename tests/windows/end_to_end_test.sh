#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program under Wine, driven as a user would (the mouse and keys through the X server,
# the file dialog through its controls) and read by win_probe; a stand-in zoraven.exe records how
# it was started. The program is unzipped from the zip that users get, into a folder with a blank
# and a non-ASCII letter, beside the planted DLLs that nobody may load.
#   end_to_end_test.sh           the table below, at 96 DPI
#   end_to_end_test.sh 144       the window at 144 DPI and one conversion
# Needs WINE_PREFIX_TEMPLATE, FRONTEND_ZIP, STAND_IN, STAND_IN_UCRT, WIN_PROBE, PLANTED_DLL and
# DLL_CONTROL in the environment.
dpi=${1:-96}
[ "$dpi" = 96 ] || export WINE_DPI=$dpi
source "$(dirname "$0")/wine_session.sh"
# Checks below that look for something to be gone would pass without the tool that looks.
for tool in xdotool perl cmp; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

readonly TITLE='ZORAVEN frontend By (^)TOLVAR(^)' NOTICE='ZORAVEN Frontend'
readonly NO_IMAGE='please select an Image'
readonly NO_FORMAT='please select the format you wish to convert the image to'
readonly NO_CONVERTER='You must place ZORVEN.EXE in the same directoy as this frontend.'

# Drive D: is a folder of the test's own, so that the top of the current drive is one it can fill.
drive=$work/drive_d
mkdir -p "$drive/cwd/relative" "$drive/images"
ln -s "$drive" "$WINEPREFIX/dosdevices/d:"
d_path() { local path=${1#"$drive"}; printf 'D:%s' "${path//\//\\}"; }

# The zip unzipped, and the stand-in converter beside the program.
mkdir "$drive/unzip"
(cd "$drive/unzip" && cmake -E tar xf "$FRONTEND_ZIP") || fail "cannot unzip $FRONTEND_ZIP"
app="$drive/My Apps é"
mv "$drive/unzip/"* "$app"
for file in zoraven-frontend.exe zoraven-console.exe README.txt LICENSE.txt; do
    [ -s "$app/$file" ] || fail "the zip has no $file: $(ls "$app")"
done
cp "$STAND_IN" "$app/zoraven.exe"
cp "$WIN_PROBE" "$work/win_probe.exe"
logs=$work/logs pathbin="$work/path bin"
mkdir -p "$logs" "$pathbin"
cp "$STAND_IN" "$pathbin/zoraven.exe"
export ZORAVEN_FAKE_LOG_DIR
ZORAVEN_FAKE_LOG_DIR=$(windows_path "$logs")

# DLLs planted beside the program and in its current folder under the names of Windows' DLLs that
# the program or Windows' own DLLs load by name. Wine would take its own DLL of that name in any
# case: for the front end and the control program (and for them alone, so that Wine's own
# programs are left alone), it is told to take one that the search finds first, as Windows does.
# Not version.dll nor msimg32.dll: Wine's own user32 imports the first (Windows' does not), and its
# comctl32 delay-loads the second, both by the search of the program's folder whatever the program
# has set (Wine's delay-load resolver loads without the process's DLL folders). Windows takes the
# dependencies of its KnownDLLs and of its own DLLs from System32.
plants=(uxtheme dwmapi comctl32 winspool.drv explorerframe actxprxy compstui propsys winmm
    cryptbase profapi userenv dbghelp wintypes textinputframework cryptsp sspicli oleacc)
plant_files=()
{
    echo REGEDIT4
    for program in zoraven-frontend.exe dll_control.exe; do
        echo "[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\$program\\DllOverrides]"
        for name in "${plants[@]}"; do echo "\"$name\"=\"native,builtin\""; done
    done
} >"$work/plants.reg"
for name in "${plants[@]}"; do
    [[ "$name" == *.* ]] && plant_files+=("$name") || plant_files+=("$name.dll")
done
wine regedit /S "$(windows_path "$work/plants.reg")" || fail "cannot set the DLL overrides"
export ZORAVEN_PLANT_LOG
ZORAVEN_PLANT_LOG=$(windows_path "$work/plants")
mkdir "$work/plants" "$work/control"
for name in "${plant_files[@]}"; do
    cp "$PLANTED_DLL" "$app/$name"
    cp "$PLANTED_DLL" "$drive/cwd/$name"
done
cp "$DLL_CONTROL" "$app/dll_control.exe"
cp "$DLL_CONTROL" "$work/control/dll_control.exe"

probe() { wine "$work/win_probe.exe" "$@"; }
value() { sed -n "s/^$1 //p" <<<"$2" | head -n1; }
# The files of the converter records in LOGS, once there are COUNT.
records() { # COUNT
    local files=()
    wait_for() {
        shopt -s nullglob
        files=("$logs"/converter-*)
        shopt -u nullglob
        [ ${#files[@]} -ge "$1" ]
    }
    wait_until wait_for "$1" || fail "expected $1 converter records, found ${#files[@]}"
    printf '%s\n' "${files[@]}"
}
record_field() { sed -n "s/^$2 //p" "$1" | head -n1; }
# A record's argv as its C runtime (crt) or CommandLineToArgvW (shell) split it, NUL-terminated.
record_argv() { # FILE crt|shell
    perl -0777 -ne 'if (/[\n\0]'"$2"'_argv (\d+)\n/) { my $n = $1; my @a = split(/\0/, substr($_, $+[0]), $n + 1);
        print map { "$_\0" } @a[0 .. $n - 1] }' "$1"
}
# Checks what the converter got for IMAGE: exactly its two arguments, from EXE, in a console window
# maximized and in front, started in the front end's current folder, with no handle of the front
# end's. Through the console helper (helper=1), that window is the helper's: titled with the
# command line, it shows the command line first, then END (default: finished) and ALSO-SHOWN,
# and waits for Enter, which closes it. Without the helper, the window is the converter's own.
# Removes the record.
helper=1
check_record() { # FILE IMAGE EXE [FLAG] [END] [ALSO-SHOWN]
    local file=$1 flag=${4:--p} split line
    [ -f "$file" ] || exit 1 # records has said why
    for split in crt shell; do
        cmp -s <(record_argv "$file" "$split") <(printf 'zoraven\0%s\0%s\0' "$flag" "$2") ||
            fail "$split argv differs for $2: $(record_argv "$file" "$split" | tr '\0' '|')"
    done
    line="zoraven $flag $2"
    [ "$(record_field "$file" command_line)" = "zoraven $flag $(quoted "$2")" ] ||
        fail "command line for $2: $(record_field "$file" command_line)"
    [ "$(record_field "$file" exe)" = "$3" ] || fail "another converter ran: $(record_field "$file" exe)"
    [ "$(record_field "$file" zoomed)" = 1 ] ||
        fail "the converter's console window is not maximized after $(record_field "$file" window_wait_ms) ms"
    [ "$(record_field "$file" foreground)" = 1 ] ||
        fail "the converter's console window is not in front after $(record_field "$file" window_wait_ms) ms"
    [ "$(record_field "$file" cwd)" = 'D:\cwd' ] || fail "the converter runs in $(record_field "$file" cwd)"
    [ "$(record_field "$file" inherited)" = - ] || fail "the converter got the front end's handle"
    if [ "$helper" = 1 ]; then
        [ "$(record_field "$file" console_processes)" = 2 ] || fail "the converter is not in the helper's console"
        [ "$(record_field "$file" console_title)" = "$line" ] ||
            fail "the window is titled '$(record_field "$file" console_title)'"
        check_console "$(record_field "$file" ppid)" "$line" "${5:-Conversion finished successfully.}" "${6:-}"
    else
        [ "$(record_field "$file" show_window)" = 3 ] || fail "not started maximized: $(record_field "$file" show_window)"
        [ "$(record_field "$file" console_processes)" = 1 ] || fail "the converter shares its console"
        # Its console window closes with it.
        ended() { ! alive "$1"; }
        wait_until ended "$(record_field "$file" pid)" || fail "the converter did not end"
    fi
    rm "$file"
}
alive() { [ "$(value alive "$(probe alive "$1")")" = 1 ]; }
# The first line in the console of the helper PID that matches REGEX, once there is one.
console_line() { # PID REGEX
    local found=''
    has_line() { found=$(sed -n 's/^line //p' <<<"$(probe console "$1")" | grep -m1 -E "$2"); }
    wait_until has_line "$1" "$2" || fail "the console shows no line like /$2/: $(probe console "$1")"
    printf '%s' "$found"
}
# The console of the helper PID, once its text has the line END: the command line first, END,
# and the prompt last; the window waits for Enter, and Enter, typed into it, closes it.
check_console() { # PID COMMAND-LINE END [ALSO-SHOWN]
    local text
    shows() { text=$(probe console "$1") && grep -qxF "line $2" <<<"$text"; }
    wait_until shows "$1" "$3" || fail "the console shows no '$3': $text"
    [ -z "${4:-}" ] || grep -qxF "line $4" <<<"$text" || fail "the console shows no '$4': $text"
    [ "$(sed -n 's/^line //p' <<<"$text" | head -n1)" = "$2" ] || fail "the console does not start with '$2': $text"
    [ "$(sed -n 's/^line //p' <<<"$text" | tail -n1)" = "Press Enter to close this window." ] ||
        fail "the console does not end with the prompt: $text"
    sleep 0.5
    alive "$1" || fail "the console window did not wait for Enter"
    xdotool windowactivate --sync "$(value x11 "$text")" key Return
    gone() { ! alive "$1"; }
    wait_until gone "$1" || fail "Enter did not close the console window"
}
# An argument as the command line carries it (the rules of process_start.h).
quoted() {
    if [ -n "$1" ] && [[ "$1" != *[[:space:]\"]* ]]; then
        printf '%s' "$1"
    else
        perl -e '$_ = shift; s/(\\*)"/$1$1\\"/g; s/(\\+)$/$1$1/; print "\"$_\""' -- "$1"
    fi
}

# A notice: a message box that the window owns, which disables it, titled with the program's name,
# with TEXT, one OK button and no icon; alone. Enter, the key of its button, closes it.
check_notice() { # TEXT
    local box buttons
    box=$(probe owned "$window" "$NOTICE") || fail "no notice for '$1'"
    [ "$(grep '^control 65535 ' <<<"$box" | cut -d' ' -f9-)" = "$1" ] || fail "the notice says: $box"
    buttons=$(grep -c '^control [0-9]* Button ' <<<"$box" || true)
    [ "$buttons" = 1 ] && grep -q '^control 1 Button .* OK$' <<<"$box" || fail "not one OK button: $box"
    ! grep -q '^control [0-9]* Static [0-9 ]* [a-z]*i' <<<"$box" || fail "the notice shows an icon: $box"
    [ "$(value count "$box")" = 1 ] || fail "$(value count "$box") notices at once"
    [ "$(value owner_enabled "$box")" = 0 ] || fail "the window takes clicks while the notice is up"
    xdotool key Return
    probe gone "$NOTICE" >/dev/null || fail "the notice did not close"
}

# Pixels of the window's controls at this DPI, from their twips.
at() { echo "$(($1 * dpi / 1440)) $(($2 * dpi / 1440))"; }
readonly TEXT1=$(at 2520 600) BROWSE=$(at 4680 660) NTSC=$(at 1980 1500) PAL=$(at 1980 1920) CONVERT=$(at 4680 1620)
click() { # "X Y" [REPEAT]
    xdotool windowactivate --sync "$x11" 2>/dev/null || true
    # shellcheck disable=SC2086
    xdotool mousemove --window "$x11" $1 click --repeat "${2:-1}" --delay 40 1
}
focus() { value focus "$(probe focus "$window")"; }
# The control with the focus once it is ID.
focus_is() { [ "$(focus)" = "$1" ]; }
# The state of the control with ID: its line from win_probe controls.
control() { grep "^control $1 " <<<"$(probe controls "$window")"; }

# Chooses PATH (a Windows path; a name alone is in the folder the dialog opened at) in the file
# dialog that Browse opens, after checking the dialog's entries; prints the text box afterwards.
choose() { # PATH
    local dialog handle
    click "$BROWSE"
    dialog=$(probe owned "$window" Open) || fail "no file dialog"
    grep -qx 'control 1136 ComboBox [0-9 ]* v[a-z]* Cdr-Win Image (\*.bin)' <<<"$dialog" ||
        fail "the dialog's first entry is not in force: $(grep ComboBox <<<"$dialog")"
    [ "$(grep '^item 1136 ' <<<"$dialog" | cut -d' ' -f3-)" = "$(printf 'Cdr-Win Image (*.bin)\nISO Image (*.iso)')" ] ||
        fail "the dialog's entries: $(grep '^item ' <<<"$dialog")"
    handle=$(value window "$dialog")
    probe settext "$handle" 1152 "$1" || fail "cannot type into the dialog"
    probe click "$handle" 1
    local status=0
    probe gone Open >"$work/gone.out" 2>&1 || status=$?
    [ "$status" = 0 ] || fail "the dialog did not take $1 (status $status): $(cat "$work/gone.out")"
}
text1() { control 1001 | cut -d' ' -f9-; }

# The planted DLLs can be seen: a program without the front end's protection loads each of them
# from its own folder, and from the current folder those that Windows' folder does not have.
planted_by() { # PID: the planted DLLs that process loaded
    local marker
    for marker in "$work/plants/loaded-$1-"*; do
        [ -f "$marker" ] && cat "$marker" && echo " "
    done
}
if [ "$dpi" = 96 ]; then
    echo "# the planted DLLs are loaded by a program that does not keep them out"
    for folder in "$app" "$work/control"; do
        (cd "$drive/cwd" && wine "$folder/dll_control.exe" "${plant_files[@]}")
    done
    loaded=$(for marker in "$work/plants/"*; do cat "$marker" && echo; done)
    for name in "${plant_files[@]}"; do
        grep -qixF "$(d_path "$app")\\$name" <<<"$loaded" || fail "the control did not load $name from its own folder: $loaded"
    done
    grep -qiF 'D:\cwd\' <<<"$loaded" || fail "the control loaded nothing from the current folder: $loaded"
    rm "$work/plants/"*
    echo "ok: from the program's folder: ${#plants[@]} of ${#plants[@]}; from the current folder: $(grep -ciF 'D:\cwd\' <<<"$loaded")"
fi

echo "# the window as it starts"
# From the current folder D:\cwd, with relative PATH entries first (the current folder among
# them), started maximized (as a shortcut set to "Maximized" starts it) and given a handle of its
# own to inherit, which it must not pass on.
export WINEPATH=".;;relative;$(windows_path "$pathbin")"
# Into a file: Wine hands the program the probe's Linux output too, and a pipe would stay open.
(cd "$drive/cwd" && probe start --cwd 'D:\cwd' --maximized --inherit "$(windows_path "$work/inherited")" \
    "$(d_path "$app")\\zoraven-frontend.exe" >"$work/started" 2>"$work/started.err") ||
    fail "the front end did not start (status $?): $(cat "$work/started.err")"
started=$(cat "$work/started")
win=$(probe window "$TITLE") || fail "no window; the front end ($(cat "$work/started")): $(probe alive "$(value pid "$(cat "$work/started")")")"
window=$(value window "$win") x11=$(value x11 "$win")
[ "$(value pid "$win")" = "$(value pid "$started")" ] || fail "the window is not the started program's"
[ "$(value client "$win")" = "$((5790 * dpi / 1440)) $((2520 * dpi / 1440))" ] || fail "client area $(value client "$win")"
[ "$(value zoomed "$win")" = 0 ] || fail "the window of fixed size is maximized"
style=$(value style "$win")
[ $((style & 0x00050000)) = 0 ] || fail "the window has a maximize box or a sizing border (style $style)"
[ "$(value dpi "$win")" = "$dpi" ] || fail "the window is at $(value dpi "$win") DPI"
# Each control at its twips, in pixels at this DPI (half pixels rounded up), in the keyboard's order.
if [ "$dpi" = 96 ]; then
    boxes=("8 32 73 17" "88 32 161 19" "256 32 113 25" "8 88 89 17" "104 120 57 17" "104 88 57 25" "256 88 113 41"
        "384 8 41 17")
else
    boxes=("12 48 110 26" "132 48 242 29" "384 48 170 38" "12 132 134 26" "156 180 86 26" "156 132 86 38"
        "384 132 170 62" "576 12 62 26")
fi
expected_controls=(
    "control 1000 Static ${boxes[0]} vg Image location"
    "control 1001 Edit ${boxes[1]} vtg "
    "control 1002 Button ${boxes[2]} vtg Browse"
    "control 1003 Static ${boxes[3]} vg Convert Image To:"
    "control 1005 Button ${boxes[4]} vtg PAL"
    "control 1004 Button ${boxes[5]} v NTSC"
    "control 1006 Button ${boxes[6]} vtg CONVERT IMAGE"
    "control 1007 Static ${boxes[7]} g "
    "focus 1001"
)
[ "$(probe controls "$window")" = "$(printf '%s\n' "${expected_controls[@]}")" ] ||
    fail "the controls: $(probe controls "$window")"
echo "ok: caption, $(value client "$win") at $dpi DPI, every control at its twips, neither standard, focus in Text1, fixed size"

if [ "$dpi" != 96 ]; then
    echo "# a conversion at $dpi DPI"
    click "$CONVERT"
    check_notice "$NO_IMAGE"
    : >"$drive/images/disc.bin"
    choose 'D:\images\disc.bin'
    click "$PAL"
    click "$CONVERT"
    check_record "$(records 1)" 'D:\images\disc.bin' "$(d_path "$app")\\zoraven.exe"
    xdotool windowactivate --sync "$x11"
    xdotool key alt+F4
    probe gone "$TITLE" >/dev/null || fail "Alt+F4 left the window open"
    echo ok
    exit 0
fi

echo "# a path typed into the box counts for nothing; a stuck button clicks five times"
wait_until focus_is 1001 || fail "the focus is not in Text1"
xdotool type --delay 20 'C:\typed.bin'
click "$CONVERT" 5
check_notice "$NO_IMAGE"
sleep 1
[ "$(value count "$(probe count "$NOTICE")")" = 0 ] || fail "a second notice came"
echo "ok: one notice, owned, modal, one OK button, no icon"

echo "# the dialog: at the top of the current drive first, then in the folder of the last choice"
: >"$drive/first.bin"
choose first.bin
[ "$(text1)" = 'D:\first.bin' ] || fail "the text box shows '$(text1)'"
click "$CONVERT"
check_notice "$NO_FORMAT"
mkdir -p "$drive/images/later"
: >"$drive/images/later/one.bin" && : >"$drive/images/later/second.bin"
choose 'D:\images\later\one.bin'
choose second.bin
[ "$(text1)" = 'D:\images\later\second.bin' ] || fail "the second choice: '$(text1)'"
# Cancel keeps the earlier choice, and the box shows it again.
probe settext "$window" 1001 'typed over'
click "$BROWSE"
dialog=$(probe owned "$window" Open) || fail "no file dialog"
probe click "$(value window "$dialog")" 2
probe gone Open >/dev/null || fail "the dialog did not cancel"
[ "$(text1)" = 'D:\images\later\second.bin' ] || fail "after a cancel the box shows '$(text1)'"
echo "ok: D:\\ first, then D:\\images\\later; entries exact, the first in force; cancel keeps the file"

echo "# the keyboard: Tab in the layout's order, the options one stop, the arrows choose"
click "$TEXT1"
wait_until focus_is 1001 || fail "a click into Text1 did not put the focus there: $(focus)"
for next in 1002 1005 1006 1001; do
    xdotool key Tab
    wait_until focus_is "$next" || fail "Tab went to $(focus), not $next"
done
xdotool key Tab Tab Down
wait_until focus_is 1004 || fail "Down from PAL went to $(focus)"
[[ "$(control 1004)" =~ ^control\ 1004\ Button\ [0-9\ ]+\ vt?g?c ]] || fail "Down did not choose NTSC: $(control 1004)"
echo "ok"

echo "# the converter gets exactly its two arguments, whatever the path holds"
names=(
    'disc one.bin'
    '  two  blanks.bin'
    'a&b^c%PATH%.bin'
    "it's !here.bin"
    "$(printf '\xe6\x97\xa5\xe6\x9c\xac caf\xc3\xa9 \xf0\x9f\x98\x80.bin')"
    '-rf.bin'
)
click "$PAL"
for i in "${!names[@]}"; do
    mkdir -p "$drive/images/$i"
    : >"$drive/images/$i/${names[$i]}"
    image="D:\\images\\$i\\${names[$i]}"
    choose "$image"
    [ "$(text1)" = "$image" ] || fail "the box shows '$(text1)' for '$image'"
    click "$CONVERT"
    check_record "$(records 1)" "$image" "$(d_path "$app")\\zoraven.exe"
    echo "ok: ${names[$i]}"
done

echo "# two clicks, two conversions"
click "$CONVERT"
records 1 >/dev/null
click "$CONVERT"
mapfile -t both < <(records 2)
for file in "${both[@]}"; do check_record "$file" "$image" "$(d_path "$app")\\zoraven.exe"; done
echo "ok"

echo "# the converter on the Universal C runtime"
cp "$STAND_IN_UCRT" "$app/zoraven.exe"
click "$CONVERT"
file=$(records 1)
[ "$(record_field "$file" runtime)" = ucrt ] || fail "not the UCRT stand-in"
check_record "$file" "$image" "$(d_path "$app")\\zoraven.exe"
echo "ok"

echo "# beside the front end first, then PATH; never the current folder; never a batch file"
rm "$app/zoraven.exe"
click "$CONVERT"
check_record "$(records 1)" "$image" "$(windows_path "$pathbin")\\zoraven.exe"
rm "$pathbin/zoraven.exe"
cp "$STAND_IN" "$drive/cwd/zoraven.exe"
cp "$STAND_IN" "$drive/cwd/relative/zoraven.exe"
for _ in 1 2; do
    click "$CONVERT"
    check_notice "$NO_CONVERTER"
done
for dir in "$app" "$pathbin"; do
    for script in zoraven.bat zoraven.cmd; do
        printf 'echo ran > "%s\\%s"\r\n' "$(windows_path "$logs")" "batch-ran" >"$dir/$script"
    done
done
mkdir "$pathbin/zoraven.exe"
click "$CONVERT"
check_notice "$NO_CONVERTER"
sleep 1
[ -z "$(ls "$logs")" ] || fail "something ran: $(ls "$logs")"
rmdir "$pathbin/zoraven.exe"
echo "ok: beside wins, then PATH; relative entries and the current folder never; .bat and .cmd never"

echo "# the console window: how the conversion ended, Ctrl+C, closing it, no helper"
rm "$app"/zoraven.bat "$app"/zoraven.cmd
cp "$STAND_IN" "$app/zoraven.exe"
printf '3' >"$logs/exit"
printf 'converting %s' "$image" >"$logs/output"
click "$CONVERT"
check_record "$(records 1)" "$image" "$(d_path "$app")\\zoraven.exe" -p \
    'Conversion failed: zoraven exited with status 3.' "converting $image"
rm "$logs/exit" "$logs/output"
echo "ok: exit 3, the converter's output whole"
# Found, but no program that Windows can start.
mv "$app/zoraven.exe" "$work/zoraven.exe"
echo 'not a program' >"$app/zoraven.exe"
click "$CONVERT"
helper_runs() { helper_of=$(value pid "$(probe processes zoraven-console.exe)") && [ -n "$helper_of" ]; }
wait_until helper_runs || fail "no console helper runs"
not_started=$(console_line "$helper_of" '^Conversion not started: zoraven could not be started \(.+\)\.$')
check_console "$helper_of" "zoraven -p $image" "$not_started"
mv "$work/zoraven.exe" "$app/zoraven.exe"
echo "ok: $not_started"
# Ctrl+C typed into the window reaches the converter, which ends; the window stays to say so.
printf '60000' >"$logs/delay_ms"
click "$CONVERT"
file=$(records 1)
converter=$(record_field "$file" pid) helper_of=$(record_field "$file" ppid)
xdotool windowactivate --sync "$(value x11 "$(probe console "$helper_of")")" key ctrl+c
check_record "$file" "$image" "$(d_path "$app")\\zoraven.exe" -p 'Conversion stopped: zoraven was ended by Ctrl+C.'
echo "ok: Ctrl+C"
# Closing the window ends the converter with it.
click "$CONVERT"
file=$(records 1)
converter=$(record_field "$file" pid) helper_of=$(record_field "$file" ppid)
probe close "$(value window "$(probe console "$helper_of")")" >/dev/null
ended() { ! alive "$1"; }
wait_until ended "$converter" || fail "the converter outlived its closed window"
wait_until ended "$helper_of" || fail "the console helper outlived its closed window"
rm "$file"
echo "ok: closing the window ends the converter"
# Nor does it outlive the helper, however the helper ends.
click "$CONVERT"
file=$(records 1)
converter=$(record_field "$file" pid) helper_of=$(record_field "$file" ppid)
probe kill "$helper_of"
wait_until ended "$converter" || fail "the converter outlived its helper"
rm "$file" "$logs/delay_ms"
echo "ok: ending the helper from outside ends the converter"
# Without the helper, the converter is started in a console window of its own.
mv "$app/zoraven-console.exe" "$work/"
helper=0
click "$CONVERT"
check_record "$(records 1)" "$image" "$(d_path "$app")\\zoraven.exe"
mv "$work/zoraven-console.exe" "$app/"
helper=1
echo "ok: no helper, the converter in a maximized console of its own"

echo "# Alt+F4 closes the window and ends the program; a conversion runs on to its end"
printf '60000' >"$logs/delay_ms"
click "$CONVERT"
file=$(records 1)
xdotool windowactivate --sync "$x11"
xdotool key alt+F4
probe gone "$TITLE" >/dev/null || fail "Alt+F4 left the window open"
wait_until ended "$(value pid "$started")" || fail "the front end did not end with its window"
alive "$(record_field "$file" pid)" || fail "the conversion ended with the front end"
# Its window still answers the keyboard.
xdotool windowactivate --sync "$(value x11 "$(probe console "$(record_field "$file" ppid)")")" key ctrl+c
check_record "$file" "$image" "$(d_path "$app")\\zoraven.exe" -p 'Conversion stopped: zoraven was ended by Ctrl+C.'
rm "$logs/delay_ms"
echo "ok"

echo "# in all of this, the front end loaded no planted DLL"
[ -z "$(planted_by "$(value pid "$started")")" ] || fail "the front end loaded $(planted_by "$(value pid "$started")")"
echo "ok"
