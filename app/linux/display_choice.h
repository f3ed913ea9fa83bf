// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace zoraven {

// True where the program should run through XWayland: the session is Wayland, its compositor
// draws no title bars for Wayland windows (it offers no decoration protocol; GNOME's mutter is
// one), and there is an X display to run on. There Qt would draw a title bar of its own that
// cuts the caption and offers minimize and maximize on a window of fixed size; through XWayland
// the compositor frames the window like any other. Also where the compositor cannot be reached or
// does not answer within a fraction of a second (a stale WAYLAND_DISPLAY, a hung compositor): Qt
// would wait for it without end, and the X display still works. False whenever the user has
// chosen a Qt platform (QT_QPA_PLATFORM).
bool runThroughXWayland();

} // namespace zoraven
