#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what ZORAVEN Frontend needs from the packages of Debian 12 or 13, builds it, and then
#   run       starts the program (release build in build/)
#   test      runs the whole test suite through CTest: the release build (build/), with the
#             checks of the checkout (licences, and the Debian package built without its tests
#             and linted) and the tests in real GNOME Shell and KWin sessions, then the build with AddressSanitizer and UndefinedBehaviorSanitizer
#             (build-sanitize/), then the Windows build (build-windows/) under Wine
#   sanitize  only the sanitizer build's suite
#   windows   builds the Windows program with mingw-w64 (release build in build-windows/) and
#             writes the zip that users get into dist/
#   package   builds the Debian source and binary packages, tests included, into dist/ and
#             lints them
# Runs as root, or as a user who may sudo: then apt-get runs through sudo, and so do the tests in
# real desktop sessions, which need root for namespaces of their own.
set -euo pipefail

mode=${1:-}
case "$mode" in
    run | test | sanitize | package | windows) ;;
    *)
        echo "usage: $0 run|test|sanitize|package|windows" >&2
        exit 2
        ;;
esac
cd "$(dirname "$0")/.."

# Where the two releases name a package differently, the name is chosen by the release.
. /etc/os-release
case "${ID:-}:${VERSION_ID:-}" in
    debian:12) release=12 ;;
    debian:13) release=13 ;;
    *)
        echo "$0: ${PRETTY_NAME:-this system} is not Debian 12 or 13; trying the names of Debian 13" >&2
        release=13
        ;;
esac
if [ "$release" = 12 ]; then
    narrow_font=fonts-liberation # its Liberation Sans Narrow moved to a package of its own in 13
    konsole_wayland=qtwayland5   # konsole 22 is built on Qt 5
else
    narrow_font=fonts-liberation-sans-narrow
    konsole_wayland=qt6-wayland
fi

# Building and running: the compiler, CMake, Qt 6 Widgets with its Wayland plugin, libwayland-client
# (with which the program asks a Wayland compositor whether it draws title bars), libxcb and libdbus
# (with which the console helper asks the window manager, or KWin, to maximize a terminal), the
# font the window is drawn with, and xterm with its usual font, in which the converter shows its output.
packages=(g++ cmake make pkgconf qt6-base-dev libgl-dev libwayland-dev libxcb1-dev libdbus-1-dev qt6-wayland
    "$narrow_font" xterm xfonts-base)
if [ "$mode" != run ]; then
    # Testing: GoogleTest, Google Benchmark, a virtual X server with tools to drive it and
    # look at it (openbox frames windows, so that they can be maximized), the GNOME, KDE and LXDE
    # terminals with a session bus for the first, ps, fontconfig's tools, and the desktop files'
    # validators.
    packages+=(libgtest-dev libbenchmark-dev libx11-dev libxtst-dev xvfb xauth xdotool x11-utils imagemagick openbox
        gnome-terminal konsole lxterminal dbus-daemon procps fontconfig desktop-file-utils appstream)
    # The checkout's checks: licences, and building and linting the Debian package.
    packages+=(reuse git xz-utils build-essential dpkg-dev debhelper lintian)
    # Real desktop sessions: GNOME Shell and KWin with their Xwayland, konsole's Wayland plugin,
    # KWin's fake input protocol, Python's D-Bus binding to drive and read them, and the
    # accessibility bus, over which they read the file dialog's fields.
    packages+=(gnome-shell mutter xwayland kwin-wayland "$konsole_wayland" plasma-wayland-protocols python3-dbus util-linux
        at-spi2-core)
    # The file dialogs GNOME and KDE Plasma users get: Qt's GTK platform theme, which libqt6gui6
    # recommends, and on Debian 13 KDE's platform theme for Qt 6 (Debian 12's is for Qt 5 only).
    packages+=(qt6-gtk-platformtheme)
    [ "$release" = 12 ] || packages+=(plasma-integration)
fi
# The Windows program: Debian's mingw-w64 for 64-bit Windows, and for its tests Wine with its own
# fonts, GoogleTest's source to build for Windows, and a virtual X server with a window manager.
[ "$mode" != windows ] || packages=(cmake make)
case "$mode" in
    windows | test) packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64) ;;
esac
[ "$mode" != test ] || packages+=(wine wine64 fonts-wine googletest xvfb openbox xdotool x11-utils)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
windows_build() { # BUILD_TESTING
    cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING="$1"
    cmake --build build-windows -j "$jobs"
}
sanitized_suite() {
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DZORAVEN_SANITIZE=ON
    cmake --build build-sanitize -j "$jobs"
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
}
case "$mode" in
    run)
        cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
        cmake --build build -j "$jobs"
        exec build/zoraven-frontend
        ;;
    test)
        cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DZORAVEN_CHECKOUT_TESTS=ON \
            -DZORAVEN_DESKTOP_TESTS=ON
        cmake --build build -j "$jobs"
        ctest --test-dir build --output-on-failure -j "$jobs"
        sanitized_suite
        windows_build ON
        ctest --test-dir build-windows --output-on-failure -j "$jobs"
        ;;
    sanitize)
        sanitized_suite
        ;;
    windows)
        windows_build OFF
        mkdir -p dist
        cp build-windows/zoraven-frontend-*-windows-x64.zip dist/
        ls -l dist/zoraven-frontend-*-windows-x64.zip
        ;;
    package)
        scripts/build-package.sh
        lintian -I -E --pedantic dist/*.changes
        ;;
esac
