#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the X11 and install tests (or those that TESTS, a CTest regular expression, names) RUNS
# times, PARALLEL runs at once, and prints how many passed.
# Not part of the suite: it shows whether the suite holds on a loaded machine.
# Usage: tests/soak.sh [RUNS] [PARALLEL] [BUILD_DIR] [TESTS]
#   (defaults: 20 3 build '^(x11|install)\.'; build it first). Each run is a CTest of its own, so
#   that tests which CTest runs alone (the desktop sessions) also run PARALLEL at once.
set -uo pipefail
runs=${1:-20} parallel=${2:-3}
build=$(realpath "${3:-build}")
tests=${4:-'^(x11|install)\.'}
logs=$(mktemp -d)
export build logs tests
started=$SECONDS
seq "$runs" | xargs -P "$parallel" -I{} bash -c \
    'ctest --test-dir "$build" -R "$tests" --output-on-failure >"$logs/run-{}.log" 2>&1 && touch "$logs/passed-{}"'
passed=$(find "$logs" -name 'passed-*' | wc -l)
echo "$passed passed, $((runs - passed)) failed"
echo "$runs runs, $parallel at a time, in $((SECONDS - started)) s; logs in $logs"
for run in $(seq "$runs"); do
    [ -e "$logs/passed-$run" ] || { echo "--- run $run"; grep -E 'FAIL|Failed|\*\*\*' "$logs/run-$run.log"; }
done
[ "$passed" -eq "$runs" ]
