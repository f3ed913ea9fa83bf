#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Window benchmarks under Xvfb, each figure against a baseline run in the same way, the two
# interleaved: start-up until the window is mapped, resident memory once shown, the time from
# a click on CONVERT IMAGE until the converter starts, and CPU used while idle.
# The baseline is bare_window: the same widgets, and a button that calls posix_spawn.
# Then bursts of clicks (no terminal installed): how many clicks a second the front end turns into
# started conversions, and the time from the first click until the last conversion has started,
# through the console helper against the front end starting the converter itself (as it does
# without the helper, and as every launch did before the helper took them over).
# Usage: bench/run.sh [ROUNDS]   (builds build/ first; run scripts/setup.sh test once before)
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-15}
cmake --build "$top/build" -j "$(nproc)" --target zoraven-frontend zoraven-console bare_window x_probe fake_converter \
    launch_bench >/dev/null
X_PROBE=$top/build/tests/x_probe
source "$top/tests/x11/xvfb.sh"

app=$work/app logs=$work/logs
mkdir -p "$app" "$logs" "$work/empty" "$work/images/0"
cp "$top/build/zoraven-frontend" "$app/"
cp "$top/build/tests/fake_converter" "$app/zoraven"
: >"$work/images/0/disc.bin"
export ZORAVEN_FAKE_LOG_DIR=$logs
ours=("$app/zoraven-frontend")
bare=("$top/build/bench/bare_window" "$app/zoraven")

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
rss_mib() { awk '/^VmRSS:/ { printf "%.2f\n", $2 / 1024 }' "/proc/$1/status"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# No terminal on PATH for either: a real terminal's own start-up is not ours to count.
show() { # NAME COMMAND...: starts it, notes its start-up time and memory once shown
    local name=$1 line
    shift
    line=$(PATH=$work/empty "$X_PROBE" launch "$@") || fail "$1 showed no window"
    read -r started_pid started_window startup <<<"$line"
    pids+=("$started_pid")
    echo "$startup" >>"$work/$name.startup"
    sleep 0.5
    rss_mib "$started_pid" >>"$work/$name.rss"
}

echo "start-up and memory, $rounds rounds" >&2
for round in $(seq "$rounds"); do
    order=(ours bare)
    [ $((round % 2)) -eq 0 ] && order=(bare ours)
    for name in "${order[@]}"; do
        if [ "$name" = ours ]; then show ours "${ours[@]}"; else show bare "${bare[@]}"; fi
        kill "$started_pid"
        wait "$started_pid" 2>/dev/null || true
    done
done

echo "click to converter start, $((rounds * 2)) clicks each" >&2
show ours "${ours[@]}"
ours_pid=$started_pid ours_window=$started_window
choose_file "$ours_window" "$work/images/0/disc.bin"
click "$ours_window" "$PAL"
show bare "${bare[@]}"
bare_pid=$started_pid bare_window=$started_window
# Side by side, so that each click lands on its own window.
xdotool windowmove "$bare_window" 500 0
sleep 0.5
for _ in $(seq $((rounds * 2))); do
    for name in ours bare; do
        window=$ours_window
        [ "$name" = bare ] && window=$bare_window
        click "$window" "$CONVERT" "$logs" >>"$work/$name.click"
        rm -f "$logs"/converter-*
        sleep 0.1
    done
done

echo "idle CPU over 10 s" >&2
sleep 1
ours_before=$(cpu_ticks "$ours_pid") bare_before=$(cpu_ticks "$bare_pid")
sleep 10
ours_idle=$((($(cpu_ticks "$ours_pid") - ours_before) * 1000 / $(getconf CLK_TCK)))
bare_idle=$((($(cpu_ticks "$bare_pid") - bare_before) * 1000 / $(getconf CLK_TCK)))

kill "$ours_pid" "$bare_pid"
echo "bursts of 300 clicks 1 ms apart, $rounds rounds" >&2
# The same front end twice: beside the console helper, and without it.
mkdir "$work/helped"
cp "$app/zoraven-frontend" "$app/zoraven" "$top/build/zoraven-console" "$work/helped/"
monotonic_ms() { python3 -c 'import time; print(time.monotonic_ns() / 1e6)'; }
burst() { # FOLDER NAME
    local first line starts
    rm -f "$logs"/converter-*
    show "$2" "$1/zoraven-frontend"
    choose_file "$started_window" "$work/images/0/disc.bin"
    click "$started_window" "$PAL"
    first=$(monotonic_ms)
    xdotool mousemove --window "$started_window" $CONVERT click --repeat 300 --delay 1 1
    wait_for_records "$logs" 300 >/dev/null
    # Start times of the conversions, in ms.
    starts=$(sed -n 's/^mono //p' "$logs"/converter-* | awk '{ printf "%.3f\n", $1 / 1e6 }' | sort -g)
    line=$(awk -v first="$first" 'NR == 1 { a = $1 } { z = $1 } END { printf "%.1f %.0f\n", (NR - 1) * 1000 / (z - a), z - first }' <<<"$starts")
    echo "${line% *}" >>"$work/$2.rate"
    echo "${line#* }" >>"$work/$2.last"
    kill "$started_pid"
    wait "$started_pid" 2>/dev/null || true
}
for round in $(seq "$rounds"); do
    if [ $((round % 2)) -eq 0 ]; then burst "$work/helped" helped && burst "$app" direct; else burst "$app" direct && burst "$work/helped" helped; fi
done

row() { # FIGURE OURS BASELINE TARGET
    awk -v f="$1" -v o="$2" -v b="$3" -v t="$4" \
        'BEGIN { printf "| %-38s | %9.2f | %9.2f | %s | %-22s |\n", f, o, b, (b > 0 ? sprintf("%5.2f", o / b) : "    -"), t }'
}
echo
echo "| figure                                 |      ours |  baseline | ratio | target                 |"
echo "|----------------------------------------|-----------|-----------|-------|------------------------|"
row "start-up until mapped (ms, median)" "$(median <"$work/ours.startup")" "$(median <"$work/bare.startup")" "at most 1.10x"
ours_rss=$(median <"$work/ours.rss") bare_rss=$(median <"$work/bare.rss")
row "resident memory shown (MiB, median)" "$ours_rss" "$bare_rss" \
    "$(awk -v o="$ours_rss" -v b="$bare_rss" 'BEGIN { printf "+3 MiB at most (%+.2f)", o - b }')"
row "click to converter start (ms, median)" "$(median <"$work/ours.click")" "$(median <"$work/bare.click")" "at most 1.5x"
row "CPU while idle over 10 s (ms)" "$ours_idle" "$bare_idle" "none worth counting"
echo
echo "| bursts of 300 clicks 1 ms apart, no terminal |   helper  |  direct   | ratio |                        |"
echo "|----------------------------------------|-----------|-----------|-------|------------------------|"
row "clicks turned into conversions (1/s)" "$(median <"$work/helped.rate")" "$(median <"$work/direct.rate")" "clicks come 1 ms apart"
row "first click to last conversion (ms)" "$(median <"$work/helped.last")" "$(median <"$work/direct.last")" "xdotool takes ~0.3 s+"
echo
echo "The launch call alone against a bare posix_spawn; the console helper (Google Benchmark):"
"$top/build/bench/launch_bench" --benchmark_min_time=0.2 2>/dev/null | grep -E '_(median|mean) |Memory'
