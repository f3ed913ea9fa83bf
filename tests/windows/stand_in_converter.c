// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for zoraven.exe in the Windows tests, built twice: on mingw's default C runtime
// (msvcrt) and on the Universal C runtime. It writes what it was started with, in UTF-8 (WTF-8), to
// %ZORAVEN_FAKE_LOG_DIR%\converter-<pid> (whole, or not at all):
//   when it started (QueryPerformanceCounter, and its frequency), runtime, pid, exe, its command
//   line, current folder, STARTUPINFO's flags and show command, how many processes its console
//   has (1: its own), the console window's title, the process that started it, whether that window
//   is maximized and in the foreground (once it is, within 20 s), and the path of the handle that
//   %ZORAVEN_FAKE_INHERITED% names ("-" when that handle is not open here); then "crt_argv N" and
//   the N arguments as its C runtime split the command line, then "shell_argv N" and those of
//   CommandLineToArgvW, each followed by a NUL.
// Ctrl+C and Ctrl+Break end it with STATUS_CONTROL_C_EXIT, as Windows ends a console program that
// has no handler of its own (Wine 8 ends it with 0).
// Then it prints the text of the file "output" in that folder and a line break to its console,
// sleeps as many milliseconds as the file "delay_ms" says, and exits with the status that the file
// "exit" holds (each only where the file is there).
#include <windows.h>

#include <shellapi.h>
#include <stdlib.h>
#include <tlhelp32.h>
#include <wchar.h>

#ifdef _UCRT
#define RUNTIME "ucrt"
#else
#define RUNTIME "msvcrt"
#endif

typedef struct {
    char* data;
    size_t size;
    size_t capacity;
} Buffer;

static void append(Buffer* out, const char* bytes, size_t size)
{
    if (out->size + size > out->capacity) {
        out->capacity = (out->size + size) * 2;
        out->data = realloc(out->data, out->capacity);
    }
    memcpy(out->data + out->size, bytes, size);
    out->size += size;
}

static void appendText(Buffer* out, const char* text) { append(out, text, strlen(text)); }

// UTF-8, with a surrogate that has no partner written as its own code point (as WTF-8 does), so
// that every argument is recorded whole.
static void appendWide(Buffer* out, const wchar_t* text)
{
    for (; *text; ++text) {
        unsigned long code = (unsigned short)*text;
        if (code >= 0xD800 && code <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10) + ((unsigned short)*++text - 0xDC00);
        char bytes[4];
        size_t size = 0;
        if (code < 0x80) {
            bytes[size++] = (char)code;
        } else if (code < 0x800) {
            bytes[size++] = (char)(0xC0 | (code >> 6));
            bytes[size++] = (char)(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            bytes[size++] = (char)(0xE0 | (code >> 12));
            bytes[size++] = (char)(0x80 | ((code >> 6) & 0x3F));
            bytes[size++] = (char)(0x80 | (code & 0x3F));
        } else {
            bytes[size++] = (char)(0xF0 | (code >> 18));
            bytes[size++] = (char)(0x80 | ((code >> 12) & 0x3F));
            bytes[size++] = (char)(0x80 | ((code >> 6) & 0x3F));
            bytes[size++] = (char)(0x80 | (code & 0x3F));
        }
        append(out, bytes, size);
    }
}

static void appendField(Buffer* out, const char* name, const wchar_t* value)
{
    appendText(out, name);
    appendText(out, " ");
    appendWide(out, value);
    appendText(out, "\n");
}

static void appendNumber(Buffer* out, const char* name, unsigned long long value)
{
    wchar_t text[32];
    _snwprintf(text, 32, L"%llu", value);
    appendField(out, name, text);
}

static void appendArguments(Buffer* out, const char* name, int count, wchar_t** arguments)
{
    wchar_t number[16];
    _snwprintf(number, 16, L"%d", count);
    appendField(out, name, number);
    for (int i = 0; i < count; ++i) {
        appendWide(out, arguments[i]);
        append(out, "", 1);
    }
}

// The text of the file `name` in `folder` (UTF-8), or nothing when there is none.
static const wchar_t* setting(const wchar_t* folder, const wchar_t* name, wchar_t* buffer, int size)
{
    wchar_t file[2200];
    _snwprintf(file, 2200, L"%ls\\%ls", folder, name);
    const HANDLE handle = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (!*folder || handle == INVALID_HANDLE_VALUE)
        return NULL;
    static char bytes[40000];
    DWORD read = 0;
    ReadFile(handle, bytes, sizeof(bytes), &read, NULL);
    CloseHandle(handle);
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)read, buffer, size - 1);
    buffer[length] = 0;
    return buffer;
}

static DWORD parentProcess(void)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = { .dwSize = sizeof(entry) };
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId())
            parent = entry.th32ParentProcessID;
    }
    CloseHandle(snapshot);
    return parent;
}

static const wchar_t* variable(const wchar_t* name, wchar_t* buffer, DWORD size)
{
    const DWORD length = GetEnvironmentVariableW(name, buffer, size);
    return length > 0 && length < size ? buffer : NULL;
}

static BOOL WINAPI endLikeWindows(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

int wmain(void)
{
    LARGE_INTEGER started;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&started);
    QueryPerformanceFrequency(&frequency);
    static wchar_t text[40000];
    SetConsoleCtrlHandler(endLikeWindows, TRUE);
    Buffer record = { NULL, 0, 0 };
    appendNumber(&record, "started_qpc", (unsigned long long)started.QuadPart);
    appendNumber(&record, "qpc_frequency", (unsigned long long)frequency.QuadPart);
    appendField(&record, "runtime", L"" RUNTIME);
    appendNumber(&record, "pid", GetCurrentProcessId());
    GetModuleFileNameW(NULL, text, 40000);
    appendField(&record, "exe", text);
    appendField(&record, "command_line", GetCommandLineW());
    GetCurrentDirectoryW(40000, text);
    appendField(&record, "cwd", text);

    STARTUPINFOW startup;
    GetStartupInfoW(&startup);
    appendNumber(&record, "startup_flags", startup.dwFlags);
    appendNumber(&record, "show_window", startup.wShowWindow);

    HWND console = GetConsoleWindow();
    const ULONGLONG waited = GetTickCount64();
    // A console of its own may show its window a moment after the program has started.
    while (!console && (startup.dwFlags & STARTF_USESHOWWINDOW) && GetTickCount64() - waited < 20000) {
        Sleep(20);
        console = GetConsoleWindow();
    }
    DWORD attached[8];
    appendNumber(&record, "console_processes", console ? GetConsoleProcessList(attached, 8) : 0);
    GetConsoleTitleW(text, 40000);
    appendField(&record, "console_title", console ? text : L"-");
    appendNumber(&record, "ppid", parentProcess());
    BOOL zoomed = FALSE;
    BOOL foreground = FALSE;
    if (console) {
        while (GetTickCount64() - waited < 20000) {
            zoomed = IsZoomed(console);
            foreground = GetForegroundWindow() == console;
            if (zoomed && foreground)
                break;
            Sleep(20);
        }
    }
    appendNumber(&record, "zoomed", (unsigned long long)zoomed);
    appendNumber(&record, "foreground", (unsigned long long)foreground);
    appendNumber(&record, "window_wait_ms", GetTickCount64() - waited);

    const wchar_t* inherited = variable(L"ZORAVEN_FAKE_INHERITED", text, 40000);
    wchar_t path[1024] = L"-";
    if (inherited) {
        const HANDLE handle = (HANDLE)(ULONG_PTR)wcstoull(inherited, NULL, 10);
        DWORD flags = 0;
        if (GetHandleInformation(handle, &flags))
            GetFinalPathNameByHandleW(handle, path, 1024, 0);
    }
    appendField(&record, "inherited", path);

    appendArguments(&record, "crt_argv", __argc, __wargv);
    int count = 0;
    wchar_t** split = CommandLineToArgvW(GetCommandLineW(), &count);
    appendArguments(&record, "shell_argv", split ? count : 0, split);
    LocalFree(split);

    wchar_t folder[2048] = L"";
    if (variable(L"ZORAVEN_FAKE_LOG_DIR", folder, 2048)) {
        wchar_t partial[2200];
        wchar_t whole[2200];
        _snwprintf(partial, 2200, L"%ls\\.converter-%lu", folder, GetCurrentProcessId());
        _snwprintf(whole, 2200, L"%ls\\converter-%lu", folder, GetCurrentProcessId());
        const HANDLE file = CreateFileW(partial, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        WriteFile(file, record.data, (DWORD)record.size, &written, NULL);
        CloseHandle(file);
        MoveFileExW(partial, whole, MOVEFILE_REPLACE_EXISTING);
    }
    free(record.data);

    if (setting(folder, L"output", text, 40000)) {
        DWORD written = 0;
        WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)wcslen(text), &written, NULL);
        WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), L"\r\n", 2, &written, NULL);
    }
    if (setting(folder, L"delay_ms", text, 40000))
        Sleep((DWORD)wcstoul(text, NULL, 10));
    return setting(folder, L"exit", text, 40000) ? (int)wcstoul(text, NULL, 10) : 0;
}
