#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# A staged install (DESTDIR) of the build tree: what lands where, that the desktop files
# validate, and that the installed front end finds a converter installed beside it.
# Usage: install_test.sh BUILD_DIR, with FAKE_CONVERTER and X_PROBE in the environment.
source "$(dirname "$0")/../x11/xvfb.sh"
build=$1
dest=$work/dest
id=org.zoraven.Frontend

DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null
expected=(
    usr/bin/zoraven-frontend
    usr/share/applications/$id.desktop
    usr/share/metainfo/$id.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/$id.svg
    usr/share/icons/hicolor/48x48/apps/$id.png
)
diff <(cd "$dest" && find . -type f | sed 's|^\./||' | sort) <(printf '%s\n' "${expected[@]}" | sort) ||
    fail "the installed files differ from the expected ones"
[ -x "$dest/usr/bin/zoraven-frontend" ] || fail "the program is not executable"
! readelf -d "$dest/usr/bin/zoraven-frontend" | grep -qE 'RPATH|RUNPATH' || fail "the installed program carries an RPATH"

desktop-file-validate "$dest/usr/share/applications/$id.desktop" || fail "the desktop entry is not valid"
appstreamcli validate --no-net "$dest/usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
    fail "the metainfo is not valid: $(appstreamcli validate --no-net "$dest/usr/share/metainfo/$id.metainfo.xml")"
grep -qx 'Exec=zoraven-frontend' "$dest/usr/share/applications/$id.desktop" || fail "Exec takes arguments"
grep -q '<release version="1.00"' "$dest/usr/share/metainfo/$id.metainfo.xml" || fail "no release 1.00"
# A PNG's size stands in its header: width and height, four bytes each, from byte 16.
[ "$(od -An -tx1 -j16 -N8 "$dest/usr/share/icons/hicolor/48x48/apps/$id.png" | tr -d ' \n')" = 0000003000000030 ] ||
    fail "the 48x48 icon is not 48 by 48"

# A converter installed in the same bin directory is found, with nothing on PATH.
cp "$FAKE_CONVERTER" "$dest/usr/bin/zoraven"
mkdir -p "$work/logs" "$work/images/0" "$work/empty"
: >"$work/images/0/disc.bin"
export ZORAVEN_FAKE_LOG_DIR=$work/logs
PATH=$work/empty start_window "$dest/usr/bin/zoraven-frontend"
choose_file "$started_window" "$work/images/0/disc.bin"
click "$started_window" "$PAL"
click "$started_window" "$CONVERT"
record=$(wait_for_records "$work/logs" 1)
[ "$(record_field "$record" exe)" = "$dest/usr/bin/zoraven" ] || fail "the converter beside the installed program did not run"
echo "installed as expected; the converter beside it was found"
