// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <sys/types.h>

namespace zoraven {

// Asks for the window of `terminal` (the process that runs the console helper) to be maximized,
// as soon as the window is there; gives up after a few seconds. For terminals that cannot ask for
// it themselves.
// - On X11 it asks the window manager (EWMH), for the window that WINDOWID names where the
//   terminal sets it, else for the newest window of `terminal`.
// - On Wayland no client may maximize another's window; KWin, though, runs scripts, and a script
//   loaded for the moment over the session bus maximizes the terminal's window.
void maximizeTerminalWindow(pid_t terminal);

} // namespace zoraven
