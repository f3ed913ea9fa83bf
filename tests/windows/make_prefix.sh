#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Wine prefix that the Windows tests copy, in DIR (in the build tree), unless the one
# there was made by this Wine. Its home folder (DIR/home) is its own too: Wine links the
# prefix's user folders to it.
# Usage: make_prefix.sh DIR
set -euo pipefail
dir=${1:?usage: make_prefix.sh DIR}
command -v wine >/dev/null || { echo "FAIL: wine is not installed" >&2; exit 1; }
# Without it, Debian's wine tells of a missing 32-bit Wine on every start.
export WINEDEBUG=-all
version=$(wine --version)
if [ "$(cat "$dir/made-by" 2>/dev/null)" = "$version" ] && [ -f "$dir/prefix/system.reg" ]; then
    echo "prefix of $version is there"
    exit 0
fi
rm -rf "$dir"
mkdir -p "$dir/home"
export HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_DATA_HOME=$dir/home/.local/share \
    WINEPREFIX=$dir/prefix WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY
started=$SECONDS
wine wineboot --init >"$dir/wineboot.log" 2>&1 || { cat "$dir/wineboot.log" >&2; exit 1; }
# The registry is on disk once the server has ended.
wineserver -w
echo "$version" >"$dir/made-by"
echo "made a prefix of $version in $((SECONDS - started)) s"
