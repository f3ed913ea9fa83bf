// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <vector>

namespace zoraven {

// What the helper does when the front end starts it: it runs the converter `converter` with
// `converterArgv` in a window of the first terminal that brings the helper up (the desktop's own
// first, then the others of the table that are installed on PATH), and starts it itself, without a
// window, when none does. `commandLine` is shown as the window's title and first line. Either way
// the converter runs once: see ClaimFolder.
int launchInTerminal(const std::string& helper, const std::string& commandLine, const std::string& converter,
    const std::vector<std::string>& converterArgv);

// This process's environment without the variables that name the window or terminal it was
// started from (WINDOWID and the like): a terminal given them would pass them on to the helper
// in its window, which would then act on someone else's window.
std::vector<std::string> environmentForTerminals();

} // namespace zoraven
