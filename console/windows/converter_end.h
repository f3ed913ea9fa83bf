// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

#include <windows.h>

namespace zoraven {

// The line that says how the converter ended, from its exit code: finished (0), stopped (by Ctrl+C,
// or by an exception that Windows ended it for: the codes of severity "error", 0xC0000000 and up),
// or failed with its status.
std::string endLine(DWORD exitCode);

// What keeps `program` from starting, in Windows' own words (in English where Windows has them),
// for "Conversion not started: zoraven could not be started (REASON)."
std::string startFailure(DWORD error, const std::wstring& program);

} // namespace zoraven
