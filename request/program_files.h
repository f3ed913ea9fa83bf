// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the program search needs to know of the file system it runs on. Each platform has its own
// (request/linux, request/windows); the rules of the search are the same everywhere.
namespace zoraven::program_files {

// Separates the directories of a PATH value.
extern const char kPathSeparator;

// The directory of this process's executable, absolute and with links resolved; empty when it
// cannot be known.
std::string executableDirectory();

// This process's PATH, or what the system searches without one.
std::string pathVariable();

// Whether `directory` names the same directory whatever the current one is.
bool isAbsolute(std::string_view directory);

std::string joinPath(std::string_view directory, std::string_view name);

// The file name of the program called `name`: "zoraven", or "zoraven.exe" on Windows.
std::string programFileName(std::string_view name);

// A regular file (after following links) that may be run as a program.
bool isProgramFile(const std::string& file);

// Where the console helper may be installed, as seen from the front end's own directory, best first.
std::vector<std::string> consoleHelperDirectories(const std::string& ownDirectory);

} // namespace zoraven::program_files
