// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "converter_end.h"

#include "console_text.h"
#include "wide_text.h"

#include <array>
#include <cstdio>
#include <utility>

namespace zoraven {

namespace {

constexpr DWORD kControlCExit = 0xC000013A; // STATUS_CONTROL_C_EXIT

std::string hexCode(DWORD code)
{
    std::array<char, 16> text {};
    std::snprintf(text.data(), text.size(), "0x%08lX", static_cast<unsigned long>(code));
    return text.data();
}

} // namespace

std::string endLine(DWORD exitCode)
{
    if (exitCode == 0)
        return std::string(kFinishedLine);
    if (exitCode == kControlCExit)
        return stoppedLine("Ctrl+C");
    if ((exitCode & 0xF0000000) != 0xC0000000)
        return failedLine(exitCode);
    constexpr std::pair<DWORD, std::string_view> kExceptions[] = {
        { 0xC0000005, "an access violation" },
        { 0xC00000FD, "a stack overflow" },
        { 0xC0000094, "a division by zero" },
        { 0xC000001D, "an illegal instruction" },
        { 0xC0000409, "a fail-fast exception" },
        { 0xC0000017, "a lack of memory" },
    };
    for (const auto& [code, name] : kExceptions) {
        if (code == exitCode)
            return stoppedLine(std::string(name) + " (" + hexCode(exitCode) + ")");
    }
    return stoppedLine("the error " + hexCode(exitCode));
}

std::string startFailure(DWORD error, const std::wstring& program)
{
    // Windows' messages name the program as "%1" ("%1 is not a valid Win32 application").
    std::array<DWORD_PTR, 9> inserts {};
    inserts.fill(reinterpret_cast<DWORD_PTR>(program.c_str()));
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY;
    const auto message = [&](DWORD language, wchar_t*& text) {
        return FormatMessageW(flags, nullptr, error, language, reinterpret_cast<wchar_t*>(&text), 0,
            reinterpret_cast<va_list*>(inserts.data()));
    };
    wchar_t* text = nullptr;
    DWORD length = message(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text);
    if (length == 0)
        length = message(0, text);
    std::wstring reason(text ? text : L"", length);
    LocalFree(text);
    // Windows' messages end in a full stop and a line break; the line has its own.
    while (!reason.empty()
        && (reason.back() == L'.' || reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' '))
        reason.pop_back();
    return reason.empty() ? "error " + std::to_string(error) : toUtf8(reason);
}

} // namespace zoraven
