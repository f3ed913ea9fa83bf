// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// zoraven-console.exe: what the converter's console window runs on Windows. The front end starts it
// in a console of its own, maximized, as
//   zoraven-console --launch COMMAND-LINE CONVERTER ARGV0 ARGV...
// It titles the window with the command line and shows it, runs the converter in this console with
// exactly those arguments, says how the conversion ended, and keeps the window open until Enter.
#include "console_text.h"
#include "converter_end.h"
#include "process_start.h"
#include "wide_text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

namespace {

// The converter and every process it starts; ended when this window closes, or when this helper
// ends in any way.
HANDLE g_job = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    // Ctrl+C and Ctrl+Break reach the converter too, which ends; the window stays to say so.
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    // The window is closing: the converter goes with it.
    if (g_job)
        TerminateJobObject(g_job, STATUS_CONTROL_C_EXIT);
    return FALSE;
}

void show(std::wstring_view text)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    // A console takes UTF-16 whole; anything else (a pipe, a file) gets UTF-8.
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        const std::string bytes = zoraven::toUtf8(text);
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

// A line of ours, or of the user's: control characters are shown as \xNN, never written raw.
void showLine(std::string_view utf8) { show(zoraven::toWide(zoraven::displayText(utf8)) + L"\r\n"); }

std::string runConverter(const std::wstring& converter, const std::vector<std::wstring>& argv)
{
    if (!zoraven::isStartableProgram(zoraven::toUtf8(converter)))
        return zoraven::notStartedLine("it is not a program file");
    std::optional<std::wstring> line = zoraven::commandLineFor(argv);
    if (!line)
        return zoraven::notStartedLine("its arguments cannot be passed on");

    g_job = CreateJobObjectW(nullptr, nullptr);
    if (g_job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(g_job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    STARTUPINFOW startup {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process {};
    // In this console, which it inherits with its input and output; suspended until it is in the job.
    if (!CreateProcessW(converter.c_str(), line->data(), nullptr, nullptr, FALSE,
            CREATE_SUSPENDED | CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &process))
        return zoraven::notStartedLine(zoraven::startFailure(GetLastError(), converter));
    if (g_job)
        AssignProcessToJobObject(g_job, process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    return zoraven::endLine(exitCode);
}

void waitForEnter()
{
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    // What was typed while the converter ran was meant for it, not for this prompt.
    FlushConsoleInputBuffer(in);
    show(zoraven::toWide(zoraven::kPressEnterLine));
    wchar_t typed[256];
    while (true) {
        DWORD read = 0;
        if (ReadConsoleW(in, typed, 256, &read, nullptr)) {
            if (std::wstring_view(typed, read).find_first_of(L"\r\n") != std::wstring_view::npos)
                return;
            continue;
        }
        // Ctrl+C cuts a read short; anything else, or input that is no console, ends the wait.
        if (GetLastError() == ERROR_OPERATION_ABORTED)
            continue;
        char byte = 0;
        while (ReadFile(in, &byte, 1, &read, nullptr) && read == 1 && byte != '\n') { }
        return;
    }
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5 || std::wstring_view(argv[1]) != zoraven::toWide(zoraven::kLaunchOption)) {
        show(L"usage: zoraven-console --launch COMMAND-LINE CONVERTER ARGV0 ARGV...\r\n"
             L"ZORAVEN Frontend starts this program for each conversion.\r\n");
        return 2;
    }
    const std::string commandLine = zoraven::toUtf8(argv[2]);
    SetConsoleTitleW(zoraven::toWide(zoraven::displayText(commandLine)).c_str());
    // Whatever started the front end may have told its processes to ignore Ctrl+C, which the
    // converter would inherit; this window's own handler is not inherited.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    showLine(commandLine);
    const std::string ended = runConverter(argv[3], std::vector<std::wstring>(argv + 4, argv + argc));
    showLine(ended);
    waitForEnter();
    return ended == zoraven::kFinishedLine ? 0 : 1;
}
