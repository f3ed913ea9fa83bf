#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# An installed tree: what lands where, that the desktop files validate, that the version agrees
# everywhere, and that the installed front end runs a converter installed beside it through the
# console helper in its installed place.
# Usage: install_test.sh staged BUILD_DIR VERSION   a DESTDIR install of the build tree
#        install_test.sh package BUILD_DIR VERSION  the Debian package, built (without its tests,
#                                                   which have just run) and linted, then unpacked
# with FAKE_CONVERTER and X_PROBE in the environment.
source "$(dirname "$0")/../x11/xvfb.sh"
top=$(cd "$(dirname "$0")/../.." && pwd)
mode=$1 build=$2 version=$3
root=$work/root
id=org.zoraven.frontend

expected=(
    usr/bin/zoraven-frontend
    usr/libexec/zoraven-frontend/zoraven-console
    usr/libexec/zoraven-frontend/zoraven-maximize
    usr/share/applications/$id.desktop
    usr/share/metainfo/$id.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/$id.svg
    usr/share/icons/hicolor/48x48/apps/$id.png
)
case "$mode" in
    staged)
        DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
        expected+=(usr/share/man/man1/zoraven-frontend.1)
        ;;
    package)
        for tool in dpkg-buildpackage dpkg-deb dpkg-parsechangelog lintian git; do
            command -v "$tool" >/dev/null || fail "$tool is not installed"
        done
        "$top/scripts/build-package.sh" nocheck >"$work/package.log" 2>&1 ||
            fail "the package did not build: $(tail -n 30 "$work/package.log")"
        deb=$top/dist/zoraven-frontend_$version-1_amd64.deb
        [ -f "$deb" ] || fail "no $deb: $(ls "$top/dist")"
        [ "$(cd "$top" && dpkg-parsechangelog -S Version)" = "$version-1" ] || fail "debian/changelog is not at $version-1"
        [ "$(dpkg-deb -f "$deb" Version)" = "$version-1" ] || fail "the package is not version $version-1"
        # lintian leaves files of its own in TMPDIR: the test's folder takes them.
        lint=$(TMPDIR=$work lintian -I -E --pedantic --show-overrides "$top"/dist/*.changes 2>&1) || fail "lintian failed: $lint"
        # The overridden tags show as O: lines: proof that lintian looked at the package.
        grep -q '^O: zoraven-frontend: spelling-error-in-binary directoy' <<<"$lint" ||
            fail "lintian did not report the overridden tags: $lint"
        # Debian 12's lintian knows Policy up to 4.6.2 and calls the package's 4.7.2 newer, which is
        # overridden; a lintian that knows 4.7.2 finds nothing there and reports the override unused.
        findings=$(grep -vE '^(O|N): |running with root privileges|^I: zoraven-frontend source: unused-override newer-standards-version( |$)' <<<"$lint" || true)
        [ -z "$findings" ] || fail "lintian: $findings"
        # The package brings the font the window is drawn in: the first alternative of its font
        # dependency that is installed here (as dpkg takes them) holds the Liberation Sans Narrow
        # that fontconfig gives for that name.
        for tool in fc-match dpkg-query; do
            command -v "$tool" >/dev/null || fail "$tool is not installed"
        done
        font_dependency=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | grep -E '(^|[ |])fonts-liberation' || true)
        [ -n "$font_dependency" ] || fail "the package does not depend on a Liberation font: $(dpkg-deb -f "$deb" Depends)"
        font_package=
        while read -r name relation wanted; do
            installed=$(dpkg-query -W -f '${db:Status-Status} ${Version}' "$name" 2>/dev/null || true)
            [ "${installed%% *}" = installed ] || continue
            relation=${relation#(} wanted=${wanted%)}
            [ -z "$relation" ] || dpkg --compare-versions "${installed#* }" "$relation" "$wanted" || continue
            font_package=$name
            break
        done < <(tr '|' '\n' <<<"$font_dependency")
        [ -n "$font_package" ] || fail "nothing installed here satisfies the font dependency:$font_dependency"
        narrow_family=$(fc-match -f '%{family[0]}' 'Liberation Sans Narrow')
        narrow_file=$(fc-match -f '%{file}' 'Liberation Sans Narrow')
        [ "$narrow_family" = 'Liberation Sans Narrow' ] ||
            fail "fontconfig gives $narrow_family ($narrow_file) for Liberation Sans Narrow"
        dpkg-query -L "$font_package" | grep -qxF "$(readlink -f "$narrow_file")" ||
            fail "$font_package, which satisfies the font dependency, does not hold $narrow_file"
        dpkg-deb -x "$deb" "$root"
        expected+=(
            usr/share/man/man1/zoraven-frontend.1.gz
            usr/share/doc/zoraven-frontend/changelog.Debian.gz
            usr/share/doc/zoraven-frontend/copyright
            usr/share/lintian/overrides/zoraven-frontend
        )
        ;;
    *) fail "unknown mode $mode" ;;
esac

diff <(cd "$root" && find . -type f | sed 's|^\./||' | sort) <(printf '%s\n' "${expected[@]}" | sort) ||
    fail "the installed files differ from the expected ones"
[ -x "$root/usr/bin/zoraven-frontend" ] || fail "the program is not executable"
! readelf -d "$root/usr/bin/zoraven-frontend" | grep -qE 'RPATH|RUNPATH' || fail "the installed program carries an RPATH"

desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "the desktop entry is not valid"
# Two findings are known and right. AppStream 1.0 asks for a homepage, and the project has no
# public one to name. AppStream 0.16 (Debian 12) does not know <developer>, where 1.0 reads the
# developer's name from. Anything else fails, and so does a failed validation without a finding.
appstream_status=0
appstreamcli validate --pedantic --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >"$work/appstream" 2>&1 ||
    appstream_status=$?
grep -q 'Validation' "$work/appstream" || fail "appstreamcli did not validate the metainfo: $(cat "$work/appstream")"
! grep -E '^[EWIP]:' "$work/appstream" | grep -qvE "^(W: $id:~: url-homepage-missing|I: $id:[0-9]+: unknown-tag developer)\$" ||
    fail "the metainfo has findings: $(cat "$work/appstream")"
[ "$appstream_status" -eq 0 ] || grep -qE "^W: $id:~: url-homepage-missing\$" "$work/appstream" ||
    fail "the metainfo is not valid: $(cat "$work/appstream")"
grep -qx 'Exec=zoraven-frontend' "$root/usr/share/applications/$id.desktop" || fail "Exec takes arguments"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" || fail "no release $version"
# The version the program declares, as the UTF-16 text of a QStringLiteral.
grep -qE "(^|[^0-9.])${version//./\\.}\$" <(strings -e l "$root/usr/bin/zoraven-frontend") || fail "the program does not declare version $version"
# A PNG's size stands in its header: width and height, four bytes each, from byte 16.
[ "$(od -An -tx1 -j16 -N8 "$root/usr/share/icons/hicolor/48x48/apps/$id.png" | tr -d ' \n')" = 0000003000000030 ] ||
    fail "the 48x48 icon is not 48 by 48"

# A converter installed in the same bin directory, nothing on PATH but a stand-in terminal:
# the converter runs through the installed console helper.
cp "$FAKE_CONVERTER" "$root/usr/bin/zoraven"
mkdir -p "$work/logs" "$work/images/0" "$work/terminals"
cp "$FAKE_CONVERTER" "$work/terminals/xterm"
: >"$work/images/0/disc.bin"
export ZORAVEN_FAKE_LOG_DIR=$work/logs
PATH=$work/terminals start_window "$root/usr/bin/zoraven-frontend"
choose_file "$started_window" "$work/images/0/disc.bin"
choose_standard "$started_window" "$PAL"
click "$started_window" "$CONVERT"
record=$(wait_for_records "$work/logs" 1)
terminal=$(wait_for_records "$work/logs" 1 terminal)
[ "$(record_field "$record" exe)" = "$root/usr/bin/zoraven" ] || fail "the converter beside the installed program did not run"
cmp <(record_argv "$record") <(printf 'zoraven\0-p\0%s\0' "$work/images/0/disc.bin") || fail "the converter's argv differs"
record_argv "$terminal" | tr '\0' '\n' | grep -qx "$root/usr/libexec/zoraven-frontend/zoraven-console" ||
    fail "the terminal did not run the installed console helper: $(record_argv "$terminal" | tr '\0' ' ')"
echo "installed as expected ($mode); the converter beside it ran through the installed console helper"
