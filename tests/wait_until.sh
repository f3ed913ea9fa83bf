# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the tests that wait for a state: one deadline for every such wait, generous for a
# two-core machine that runs three suites at once. A wait that runs out fails and says what it saw.
readonly deadline_seconds=60

# Runs COMMAND... until it succeeds; false once the deadline has passed.
wait_until() { # COMMAND...
    local end=$((SECONDS + deadline_seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.05
    done
}
