#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian source and binary packages into dist/, from the committed tree (a git
# archive of HEAD, never the working tree, so that no build folder gets in).
# Usage: scripts/build-package.sh [nocheck]   (nocheck: without running the tests)
set -euo pipefail
cd "$(dirname "$0")/.."
name=zoraven-frontend
version=$(dpkg-parsechangelog -S Version)
upstream=${version%-*}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git archive --format=tar --prefix="$name-$upstream/" HEAD -- . ':!debian' | xz >"$work/${name}_$upstream.orig.tar.xz"
git archive --format=tar --prefix="$name-$upstream/" HEAD | tar -x -C "$work"

export DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}"
profiles=()
if [ "${1:-}" = nocheck ]; then
    DEB_BUILD_OPTIONS="nocheck $DEB_BUILD_OPTIONS"
    profiles=(-Pnocheck)
fi
(cd "$work/$name-$upstream" && dpkg-buildpackage -us -uc "${profiles[@]}")

rm -rf dist
mkdir dist
cp "$work"/*.dsc "$work"/*.tar.xz "$work"/*.deb "$work"/*.buildinfo "$work"/*.changes dist/
ls dist
