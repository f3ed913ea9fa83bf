// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// zoraven-maximize: has the conversion's window maximized where its terminal cannot do that
// itself. The console helper starts it from the terminal's window; it is a program of its own so
// that the helper, which every conversion waits for, loads neither libxcb nor libdbus.
//   zoraven-maximize TERMINAL-PID TITLE   (WINDOWID and WAYLAND_DISPLAY as the terminal set them;
//                                          TITLE as the helper gives it to the window)
// What fails is said in one line on standard error, the terminal's window.
#include "window_maximize.h"

#include <cstdlib>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const auto terminal = static_cast<pid_t>(std::atol(argv[1]));
    // The helper collects this process at once; the waiting for the window goes on in a child,
    // which nobody has to collect but the system.
    const pid_t child = fork();
    if (child != 0)
        return child < 0 ? 1 : 0;
    return zoraven::maximizeTerminalWindow(terminal, argv[2]) ? 0 : 1;
}
