// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "converter_launch.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zoraven {

// Windows hands a program one command line, which the program's C runtime (or
// CommandLineToArgvW) splits into arguments again. These give each argument back exactly, by the
// rules that CommandLineToArgvW, the Microsoft C runtimes and mingw's share.

// One argument after the program's name: as it is, when it is not empty and holds no blank, tab,
// line feed, vertical tab or double quote; otherwise in double quotes, with each double quote
// and each run of backslashes before one (or before the closing quote) escaped by a backslash.
std::wstring quotedArgument(std::wstring_view argument);

// The command line whose arguments are `argv`, its first being the program's name, which is read
// without escapes. Nothing when there is none: no arguments, a NUL in one, a double quote in the
// name, or longer than Windows passes on (32766 characters).
std::optional<std::wstring> commandLineFor(const std::vector<std::wstring>& argv);

// An absolute path of a program file (.exe): the only kind of file started here. A batch file
// (.bat, .cmd) would be run by cmd.exe, which reads its arguments as commands.
bool isStartableProgram(std::string_view file);

// Starts each program with a console window of its own, shown maximized (which also gives it the
// focus), with the front end's environment and current folder and no handle of the front end's.
// Only a program file (.exe) named by an absolute path is started, and only that file: no search,
// and never a batch file, which cmd.exe would run, reading its arguments as commands. The
// program's handles are closed at once; nobody waits for it, and it runs on after the front end.
class NewConsoleStart final : public DetachedStart {
public:
    bool start(const std::string& file, const std::vector<std::string>& argv) override;
};

} // namespace zoraven
