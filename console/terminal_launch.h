// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <span>
#include <string>

namespace zoraven {

// What the helper does when the front end starts it: it runs the converter in a window of the
// first of `terminals` (absolute paths, in the order to try them) that brings the helper up,
// and starts the converter itself, without a window, when none does. `arguments` are the helper's
// encoded arguments. Either way the converter runs once: see ClaimFolder.
int launchInTerminal(const std::string& helper, std::span<char* const> terminals, std::span<char* const> arguments);

} // namespace zoraven
