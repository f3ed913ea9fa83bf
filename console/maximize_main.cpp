// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// zoraven-maximize: has the window of a terminal that cannot maximize it itself maximized. The
// console helper starts it from the terminal's window; it is a program of its own so that the
// helper, which every conversion waits for, loads neither libxcb nor libdbus.
//   zoraven-maximize TERMINAL-PID   (WINDOWID and WAYLAND_DISPLAY as the terminal set them)
#include "window_maximize.h"

#include <cstdlib>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const auto terminal = static_cast<pid_t>(std::atol(argv[1]));
    // The helper collects this process at once; the waiting for the window goes on in a child,
    // which nobody has to collect but the system.
    const pid_t child = fork();
    if (child != 0)
        return child < 0 ? 1 : 0;
    zoraven::maximizeTerminalWindow(terminal);
    return 0;
}
