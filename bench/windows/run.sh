#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program's benchmarks under Wine, each figure against bare_window (the same controls,
# a button that calls CreateProcessW), the two interleaved: start-up until the window is shown,
# and the time from a click on CONVERT IMAGE until the converter starts (a stand-in converter
# that stamps its start). Both are timed inside Wine by win_probe, with the same clock.
# Usage: bench/windows/run.sh [ROUNDS]   (run scripts/setup.sh test once before: it builds
# build-windows/ and the Wine prefix the benchmark copies)
top=$(cd "$(dirname "$0")/../.." && pwd)
rounds=${1:-15}
build=$top/build-windows
cmake --build "$build" -j "$(nproc)" --target zoraven-frontend bare_window win_probe stand_in_converter >/dev/null ||
    exit 1
export WINE_PREFIX_TEMPLATE=$build/wine/prefix
source "$top/tests/windows/wine_session.sh"

app=$work/app logs=$work/logs
mkdir -p "$app" "$logs" "$work/images"
cp "$build/zoraven-frontend.exe" "$build/bench/windows/bare_window.exe" "$build/tests/windows/win_probe.exe" "$app/"
cp "$build/tests/windows/stand_in_converter.exe" "$app/zoraven.exe"
: >"$work/images/disc.bin"
export ZORAVEN_FAKE_LOG_DIR
ZORAVEN_FAKE_LOG_DIR=$(windows_path "$logs")
readonly OURS='ZORAVEN frontend By (^)TOLVAR(^)' BARE='bare window'

# The probe's output goes to a file: Wine hands the programs it starts its Linux output too.
probe() { wine "$app/win_probe.exe" "$@" >"$work/probe.out" && cat "$work/probe.out"; }
value() { sed -n "s/^$1 //p" <<<"$2" | head -n1; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
launch() { # NAME: starts it, notes its start-up time, prints its window
    local out
    if [ "$1" = ours ]; then
        out=$(probe launch "$OURS" "$(windows_path "$app/zoraven-frontend.exe")") || fail "ours showed no window"
    else
        out=$(probe launch "$BARE" "$(windows_path "$app/bare_window.exe")" "$(windows_path "$app/zoraven.exe")") ||
            fail "bare_window showed no window"
    fi
    value milliseconds "$out" >>"$work/$1.startup"
    value window "$out"
}
close() { # WINDOW TITLE
    probe close "$1" >/dev/null
    probe gone "$2" >/dev/null || fail "$2 did not close"
}

echo "start-up, $rounds rounds (one more first, not counted)" >&2
launch ours >/dev/null && close "$(value window "$(probe window "$OURS")")" "$OURS"
launch bare >/dev/null && close "$(value window "$(probe window "$BARE")")" "$BARE"
rm -f "$work"/*.startup
for round in $(seq "$rounds"); do
    order=(ours bare)
    [ $((round % 2)) -eq 0 ] && order=(bare ours)
    for name in "${order[@]}"; do
        window=$(launch "$name")
        if [ "$name" = ours ]; then close "$window" "$OURS"; else close "$window" "$BARE"; fi
    done
done

echo "click to converter start, $((rounds * 2)) clicks each" >&2
ours=$(launch ours)
bare=$(launch bare)
probe click "$ours" 1002 >/dev/null
dialog=$(value window "$(probe owned "$ours" Open)")
probe settext "$dialog" 1152 "$(windows_path "$work/images/disc.bin")" >/dev/null
probe click "$dialog" 1 >/dev/null
probe gone Open >/dev/null || fail "the dialog did not close"
probe click "$ours" 1005 >/dev/null
for _ in $(seq $((rounds * 2))); do
    for name in ours bare; do
        window=$ours
        [ "$name" = bare ] && window=$bare
        value milliseconds "$(probe timed-click "$window" 1006 "$ZORAVEN_FAKE_LOG_DIR")" >>"$work/$name.click"
        probe gone --class WineConsoleClass >/dev/null
        rm -f "$logs"/converter-*
    done
done

row() { # FIGURE OURS BASELINE TARGET
    awk -v f="$1" -v o="$2" -v b="$3" -v t="$4" \
        'BEGIN { printf "| %-38s | %9.2f | %9.2f | %s | %-13s |\n", f, o, b, (b > 0 ? sprintf("%5.2f", o / b) : "    -"), t }'
}
echo
echo "Under $(wine --version), $(. /etc/os-release && echo "$PRETTY_NAME"):"
echo "| figure                                 |      ours |  baseline | ratio | target        |"
echo "|----------------------------------------|-----------|-----------|-------|---------------|"
row "start-up until shown (ms, median)" "$(median <"$work/ours.startup")" "$(median <"$work/bare.startup")" "at most 1.10x"
row "click to converter start (ms, median)" "$(median <"$work/ours.click")" "$(median <"$work/bare.click")" "at most 1.5x"
