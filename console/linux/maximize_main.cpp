// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// zoraven-maximize: has the conversion's window maximized where its terminal cannot do that
// itself. The console helper starts it from the terminal's window; it is a program of its own so
// that the helper, which every conversion waits for, loads neither libxcb nor libdbus.
//   zoraven-maximize TERMINAL-PID TITLE [WINDOW-ID...]
//       (WINDOWID and WAYLAND_DISPLAY as the terminal set them; TITLE as the helper gives it to the
//       window; on Wayland, KWin's ids of the windows that were there before the terminal started)
//   zoraven-maximize --windows-before FILE
//       (for the console helper that starts the terminal: on Wayland, writes KWin's ids of the
//       windows there now into FILE, one a line; ends with status 1, writing nothing, where KWin
//       does not answer)
// What fails is said in one line on standard error, the terminal's window.
#include "window_maximize.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "--windows-before") {
        const std::optional<std::vector<std::string>> windows = zoraven::windowsKWinLists();
        if (!windows)
            return 1;
        // Whole before it is seen.
        const std::string partial = std::string(argv[2]) + ".partial";
        std::ofstream list(partial);
        for (const std::string& window : *windows)
            list << window << '\n';
        list.close();
        return list && std::rename(partial.c_str(), argv[2]) == 0 ? 0 : 1;
    }
    if (argc < 3)
        return 2;
    const auto terminal = static_cast<pid_t>(std::atol(argv[1]));
    // The helper collects this process at once; the waiting for the window goes on in a child,
    // which nobody has to collect but the system.
    const pid_t child = fork();
    if (child != 0)
        return child < 0 ? 1 : 0;
    return zoraven::maximizeTerminalWindow(terminal, argv[2], std::vector<std::string>(argv + 3, argv + argc)) ? 0 : 1;
}
