// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "process_start.h"

#include "program_files.h"
#include "wide_text.h"

#include <windows.h>

namespace zoraven {

namespace {

constexpr std::size_t kLongestCommandLine = 32766;

} // namespace

bool isStartableProgram(std::string_view file)
{
    if (!program_files::isAbsolute(file))
        return false;
    constexpr std::string_view kExe = ".exe";
    if (file.size() <= kExe.size())
        return false;
    const std::string_view end = file.substr(file.size() - kExe.size());
    for (std::size_t i = 0; i < kExe.size(); ++i) {
        if ((end[i] | 0x20) != kExe[i])
            return false;
    }
    return true;
}

std::wstring quotedArgument(std::wstring_view argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
        return std::wstring(argument);
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count as escapes only before a double quote.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

std::optional<std::wstring> commandLineFor(const std::vector<std::wstring>& argv)
{
    if (argv.empty())
        return std::nullopt;
    for (const std::wstring& argument : argv) {
        if (argument.find(L'\0') != std::wstring::npos)
            return std::nullopt;
    }
    // The name ends at the first blank or tab, or inside double quotes at the next one.
    const std::wstring& name = argv.front();
    if (name.find(L'"') != std::wstring::npos)
        return std::nullopt;
    std::wstring line = name.empty() || name.find_first_of(L" \t") != std::wstring::npos ? L"\"" + name + L"\"" : name;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        line += L' ';
        line += quotedArgument(argv[i]);
    }
    if (line.size() > kLongestCommandLine)
        return std::nullopt;
    return line;
}

bool NewConsoleStart::start(const std::string& file, const std::vector<std::string>& argv)
{
    if (!isStartableProgram(file))
        return false;
    std::vector<std::wstring> arguments;
    arguments.reserve(argv.size());
    for (const std::string& argument : argv)
        arguments.push_back(toWide(argument));
    std::optional<std::wstring> line = commandLineFor(arguments);
    if (!line)
        return false;

    STARTUPINFOW startup {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMAXIMIZED;
    // Whatever error mode the front end was given is not the converter's.
    DWORD flags = CREATE_NEW_CONSOLE | CREATE_DEFAULT_ERROR_MODE;
    // A job that ends its processes with the front end (as some launchers make) lets the converter
    // go where it may; where it may not, the converter still starts, inside it.
    BOOL inJob = FALSE;
    if (IsProcessInJob(GetCurrentProcess(), nullptr, &inJob) && inJob)
        flags |= CREATE_BREAKAWAY_FROM_JOB;
    const std::wstring application = toWide(file);
    PROCESS_INFORMATION process {};
    BOOL started = CreateProcessW(
        application.c_str(), line->data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &process);
    if (!started && (flags & CREATE_BREAKAWAY_FROM_JOB) != 0 && GetLastError() == ERROR_ACCESS_DENIED) {
        flags &= ~static_cast<DWORD>(CREATE_BREAKAWAY_FROM_JOB);
        started = CreateProcessW(
            application.c_str(), line->data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &process);
    }
    if (!started)
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace zoraven
