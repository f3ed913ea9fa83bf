// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace zoraven {

// Asks the X window manager, in a thread of its own, to maximize the window of the terminal that
// runs this helper, as soon as the window is managed; gives up after a few seconds. For terminals
// that cannot ask for it themselves. The window is the one that WINDOWID names where the terminal
// sets it, else the newest window of the parent process (the terminal); on Wayland, where no
// client may maximize another's window, it asks only for a window that WINDOWID names.
void maximizeTerminalWindowSoon();

} // namespace zoraven
