#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# CTest's emulator for the Windows build (CMAKE_CROSSCOMPILING_EMULATOR): runs PROGRAM under Wine
# in a session of its own (wine_session.sh) and ends with its exit status.
# Usage: wine_run.sh PROGRAM [ARG...]
source "$(dirname "$0")/wine_session.sh"
status=0
wine "$@" || status=$?
exit "$status"
