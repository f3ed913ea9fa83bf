// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads and drives other programs' windows for the Windows end-to-end tests, from inside Wine.
// Writes UTF-8 lines; a wait gives up after 60 s with status 1.
//   win_probe start [--cwd DIR] [--maximized] [--inherit FILE] PROGRAM [ARG...]
//       starts PROGRAM (with a handle of FILE that it inherits, named by ZORAVEN_FAKE_INHERITED);
//       prints "pid N"
//   win_probe launch TITLE PROGRAM [ARG...]
//                                     starts PROGRAM and waits until it shows a window titled
//                                     TITLE; prints "pid N", "window H" and "milliseconds M" from
//                                     the start
//   win_probe timed-click WINDOW ID LOG_DIR
//                                     clicks a button and waits for the first record that the
//                                     stand-in converter writes into LOG_DIR; prints the
//                                     milliseconds from the click to the converter's start
//   win_probe window TITLE            waits for a visible top-level window titled TITLE; prints
//                                     its handle, process, X window, client size, style, DPI
//   win_probe gone TITLE|--class CLASS  waits until no visible top-level window matches
//   win_probe count TITLE             how many visible top-level windows are titled TITLE, now
//   win_probe controls WINDOW         each child window: "control ID CLASS LEFT TOP WIDTH HEIGHT
//                                     FLAGS TEXT" (client pixels; FLAGS: v visible, t tab stop,
//                                     g group, c checked, d disabled, i shows an icon), each entry
//                                     of a combo box that is not drawn by its owner as "item ID
//                                     TEXT", then "focus ID"
//   win_probe focus WINDOW            "focus ID" of the control with the keyboard focus
//   win_probe owned WINDOW TITLE      waits for a visible window titled TITLE that WINDOW owns;
//                                     prints it, then each of its controls, and how many such
//                                     windows there are and whether WINDOW is disabled
//   win_probe settext WINDOW ID TEXT  sets the text of a control
//   win_probe click WINDOW ID         clicks a button (BM_CLICK)
//   win_probe close WINDOW            asks the window to close (WM_CLOSE), as its close button does
//   win_probe alive PID               "alive 1" while process PID runs, else "alive 0"
//   win_probe processes NAME          "pid N" for each running process of the program file NAME
//   win_probe kill PID                ends process PID from outside (TerminateProcess)
//   win_probe console PID [ctrl-c|enter]
//                                     the console that process PID is attached to: its window
//                                     ("window H", "x11 X") and each line of its text without
//                                     trailing blanks ("line TEXT"); with ctrl-c or enter, only
//                                     gives that console a Ctrl+C, or the Enter key
#include <windows.h>

#include <tlhelp32.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "wide_text.h"

namespace {

using namespace std::chrono_literals;
using zoraven::toUtf8;

void write(const std::string& line)
{
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

[[noreturn]] void die(const std::string& message)
{
    const std::string text = "win_probe: " + message + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    std::exit(1);
}

std::string number(const void* handle) { return std::to_string(reinterpret_cast<std::uintptr_t>(handle)); }

HWND handleOf(const wchar_t* text) { return reinterpret_cast<HWND>(std::wcstoull(text, nullptr, 0)); }

std::wstring textOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return L"?";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(
        window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000, &copied);
    text.resize(copied);
    return text;
}

std::wstring classOf(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// Waits until `found` gives a window, for up to 60 s.
template <typename Find> HWND waitFor(Find found, const std::string& what)
{
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (HWND window = found())
            return window;
        std::this_thread::sleep_for(20ms);
    }
    die("no " + what + " within 60 s");
}

struct Search {
    std::wstring title;
    std::wstring windowClass;
    HWND owner = nullptr;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    if (!IsWindowVisible(window))
        return TRUE;
    if (!search->title.empty() && textOf(window) != search->title)
        return TRUE;
    if (!search->windowClass.empty() && classOf(window) != search->windowClass)
        return TRUE;
    if (search->owner && GetWindow(window, GW_OWNER) != search->owner)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> topLevel(Search search)
{
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void describeWindow(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    RECT client {};
    GetClientRect(window, &client);
    write("window " + number(window));
    write("pid " + std::to_string(process));
    write("x11 " + number(GetPropW(window, L"__wine_x11_whole_window")));
    write("client " + std::to_string(client.right) + " " + std::to_string(client.bottom));
    write("style " + std::to_string(GetWindowLongW(window, GWL_STYLE)));
    write("dpi " + std::to_string(GetDpiForWindow(window)));
    write("zoomed " + std::to_string(IsZoomed(window) ? 1 : 0));
    write("enabled " + std::to_string(IsWindowEnabled(window) ? 1 : 0));
    write("title " + toUtf8(textOf(window)));
}

BOOL CALLBACK collectChild(HWND child, LPARAM parameter)
{
    auto* children = reinterpret_cast<std::vector<HWND>*>(parameter);
    children->push_back(child);
    return TRUE;
}

HWND focusOf(HWND window)
{
    GUITHREADINFO info {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

void describeControls(HWND window)
{
    std::vector<HWND> children;
    EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&children));
    for (const HWND child : children) {
        if (GetParent(child) != window)
            continue;
        RECT box {};
        GetWindowRect(child, &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        std::string flags;
        flags += (style & WS_VISIBLE) ? "v" : "";
        flags += (style & WS_TABSTOP) ? "t" : "";
        flags += (style & WS_GROUP) ? "g" : "";
        flags += (style & WS_DISABLED) ? "d" : "";
        const std::wstring windowClass = classOf(child);
        DWORD_PTR checked = 0;
        if (_wcsicmp(windowClass.c_str(), L"Button") == 0)
            SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &checked);
        flags += checked == BST_CHECKED ? "c" : "";
        DWORD_PTR icon = 0;
        if (_wcsicmp(windowClass.c_str(), L"Static") == 0)
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon);
        flags += icon ? "i" : "";
        write("control " + std::to_string(GetDlgCtrlID(child)) + " " + toUtf8(windowClass) + " "
            + std::to_string(box.left) + " " + std::to_string(box.top) + " " + std::to_string(box.right - box.left)
            + " " + std::to_string(box.bottom - box.top) + " " + (flags.empty() ? "-" : flags) + " "
            + toUtf8(textOf(child)));
        // Asking an owner-drawn combo box of another process for an entry's text ends the asker.
        if (_wcsicmp(windowClass.c_str(), L"ComboBox") == 0
            && (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) == 0) {
            DWORD_PTR count = 0;
            SendMessageTimeoutW(child, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
            for (DWORD_PTR item = 0; item < count; ++item) {
                wchar_t entry[512] = {};
                DWORD_PTR length = 0;
                SendMessageTimeoutW(child, CB_GETLBTEXTLEN, item, 0, SMTO_ABORTIFHUNG, 5000, &length);
                if (length < 512)
                    SendMessageTimeoutW(
                        child, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(entry), SMTO_ABORTIFHUNG, 5000, &length);
                write("item " + std::to_string(GetDlgCtrlID(child)) + " " + toUtf8(entry));
            }
        }
    }
    write("focus " + std::to_string(GetDlgCtrlID(focusOf(window))));
}

double milliseconds(LONGLONG from, LONGLONG to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to - from) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

LONGLONG now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

int launch(int argc, wchar_t** argv)
{
    std::wstring line;
    for (int i = 3; i < argc; ++i)
        line += (i > 3 ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    STARTUPINFOW startup {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process {};
    const LONGLONG started = now();
    if (!CreateProcessW(argv[3], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        die("cannot start the program");
    const Search search { argv[2], {}, nullptr, {} };
    HWND shown = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!shown && std::chrono::steady_clock::now() < deadline) {
        for (const HWND window : topLevel(search)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process.dwProcessId)
                shown = window;
        }
        if (!shown)
            Sleep(1);
    }
    if (!shown)
        die("no window within 60 s");
    const LONGLONG mapped = now();
    write("pid " + std::to_string(process.dwProcessId));
    write("window " + number(shown));
    write("milliseconds " + std::to_string(milliseconds(started, mapped)));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

int timedClick(wchar_t** argv)
{
    const HWND button = GetDlgItem(handleOf(argv[2]), static_cast<int>(std::wcstol(argv[3], nullptr, 0)));
    if (!button)
        die("no such control");
    const std::wstring pattern = std::wstring(argv[4]) + L"\\converter-*";
    const LONGLONG clicked = now();
    PostMessageW(button, BM_CLICK, 0, 0);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < deadline) {
        WIN32_FIND_DATAW found {};
        const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            const HANDLE file = CreateFileW((std::wstring(argv[4]) + L"\\" + found.cFileName).c_str(), GENERIC_READ,
                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
            // The stand-in's rename may still hold the file for a moment.
            if (file == INVALID_HANDLE_VALUE) {
                Sleep(1);
                continue;
            }
            char text[256] = {};
            DWORD size = 0;
            ReadFile(file, text, sizeof(text) - 1, &size, nullptr);
            CloseHandle(file);
            // The record's first line: "started_qpc N".
            const LONGLONG converterStarted = std::strtoll(text + std::strlen("started_qpc "), nullptr, 10);
            write("milliseconds " + std::to_string(milliseconds(clicked, converterStarted)));
            return 0;
        }
        Sleep(1);
    }
    die("no converter record within 60 s");
}

// Attached to the console of process `pid` while it lives; our own output goes where it went.
class AttachedConsole {
public:
    explicit AttachedConsole(DWORD pid)
    {
        FreeConsole();
        if (!AttachConsole(pid))
            die("cannot attach to the console of process " + std::to_string(pid));
    }
    ~AttachedConsole() { FreeConsole(); }
    AttachedConsole(const AttachedConsole&) = delete;
    AttachedConsole& operator=(const AttachedConsole&) = delete;
};

int console(int argc, wchar_t** argv)
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const auto print = [output](const std::string& line) {
        const std::string text = line + "\n";
        DWORD written = 0;
        WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    };
    // The Ctrl+C goes to every process of the console, this one among them.
    SetConsoleCtrlHandler(nullptr, TRUE);
    const AttachedConsole attached(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    if (argc > 3 && std::wstring(argv[3]) == L"ctrl-c") {
        if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
            die("cannot give the console a Ctrl+C");
        return 0;
    }
    if (argc > 3 && std::wstring(argv[3]) == L"enter") {
        const HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
            nullptr, OPEN_EXISTING, 0, nullptr);
        INPUT_RECORD keys[2] {};
        for (int i = 0; i < 2; ++i) {
            keys[i].EventType = KEY_EVENT;
            keys[i].Event.KeyEvent.bKeyDown = i == 0;
            keys[i].Event.KeyEvent.wRepeatCount = 1;
            keys[i].Event.KeyEvent.wVirtualKeyCode = VK_RETURN;
            keys[i].Event.KeyEvent.uChar.UnicodeChar = L'\r';
        }
        DWORD written = 0;
        if (input == INVALID_HANDLE_VALUE || !WriteConsoleInputW(input, keys, 2, &written))
            die("cannot type into the console");
        CloseHandle(input);
        return 0;
    }
    const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info {};
    if (screen == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(screen, &info))
        die("cannot read the console");
    std::vector<std::string> lines;
    std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen, row.data(), static_cast<DWORD>(row.size()), { 0, y }, &read);
        const std::size_t end = row.find_last_not_of(L' ', read == 0 ? 0 : read - 1);
        lines.push_back(read == 0 || end == std::wstring::npos ? std::string() : toUtf8(row.substr(0, end + 1)));
    }
    CloseHandle(screen);
    const HWND window = GetConsoleWindow();
    print("window " + number(window));
    print("x11 " + number(GetPropW(window, L"__wine_x11_whole_window")));
    for (const std::string& line : lines)
        print("line " + line);
    return 0;
}

int start(int argc, wchar_t** argv)
{
    std::wstring folder;
    bool maximized = false;
    std::wstring inherit;
    int at = 2;
    for (; at < argc && argv[at][0] == L'-' && argv[at][1] == L'-'; ++at) {
        const std::wstring option = argv[at];
        if (option == L"--cwd" && at + 1 < argc)
            folder = argv[++at];
        else if (option == L"--maximized")
            maximized = true;
        else if (option == L"--inherit" && at + 1 < argc)
            inherit = argv[++at];
        else
            die("unknown option");
    }
    if (at >= argc)
        die("no program");
    std::wstring line;
    for (int i = at; i < argc; ++i)
        line += (i > at ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    STARTUPINFOW startup {};
    startup.cb = sizeof(startup);
    if (maximized) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWMAXIMIZED;
    }
    HANDLE inherited = nullptr;
    if (!inherit.empty()) {
        SECURITY_ATTRIBUTES security { sizeof(security), nullptr, TRUE };
        inherited = CreateFileW(
            inherit.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security, CREATE_ALWAYS, 0, nullptr);
        if (inherited == INVALID_HANDLE_VALUE)
            die("cannot open the file to inherit");
        SetEnvironmentVariableW(
            L"ZORAVEN_FAKE_INHERITED", std::to_wstring(reinterpret_cast<std::uintptr_t>(inherited)).c_str());
    }
    PROCESS_INFORMATION process {};
    if (!CreateProcessW(argv[at], line.data(), nullptr, nullptr, inherited != nullptr, 0, nullptr,
            folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        die("cannot start the program: error " + std::to_string(GetLastError()));
    write("pid " + std::to_string(process.dwProcessId));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        die("usage: win_probe "
            "start|launch|timed-click|window|gone|count|controls|focus|owned|settext|click|close|console|alive|"
            "processes ...");
    const std::wstring command = argv[1];
    if (command == L"start")
        return start(argc, argv);
    if (command == L"launch" && argc > 3)
        return launch(argc, argv);
    if (command == L"timed-click" && argc > 4)
        return timedClick(argv);
    if (command == L"window") {
        const HWND window = waitFor(
            [&] {
                const std::vector<HWND> found = topLevel({ argv[2], {}, nullptr, {} });
                return found.empty() ? nullptr : found.front();
            },
            "window titled " + toUtf8(argv[2]));
        describeWindow(window);
        return 0;
    }
    if (command == L"gone") {
        const bool byClass = std::wstring(argv[2]) == L"--class" && argc > 3;
        const Search search { byClass ? L"" : argv[2], byClass ? argv[3] : L"", nullptr, {} };
        waitFor([&] { return topLevel(search).empty() ? GetDesktopWindow() : nullptr; }, "end of the window");
        return 0;
    }
    if (command == L"count") {
        write("count " + std::to_string(topLevel({ argv[2], {}, nullptr, {} }).size()));
        return 0;
    }
    if (command == L"controls") {
        describeControls(handleOf(argv[2]));
        return 0;
    }
    if (command == L"focus") {
        write("focus " + std::to_string(GetDlgCtrlID(focusOf(handleOf(argv[2])))));
        return 0;
    }
    if (command == L"owned" && argc > 3) {
        const HWND owner = handleOf(argv[2]);
        const Search search { argv[3], {}, owner, {} };
        const HWND window = waitFor(
            [&] {
                const std::vector<HWND> found = topLevel(search);
                return found.empty() ? nullptr : found.front();
            },
            "window titled " + toUtf8(argv[3]) + " owned by " + number(owner));
        describeWindow(window);
        describeControls(window);
        write("count " + std::to_string(topLevel(search).size()));
        write("owner_enabled " + std::to_string(IsWindowEnabled(owner) ? 1 : 0));
        return 0;
    }
    if (command == L"settext" && argc > 4) {
        const HWND control = GetDlgItem(handleOf(argv[2]), static_cast<int>(std::wcstol(argv[3], nullptr, 0)));
        DWORD_PTR result = 0;
        if (!control
            || !SendMessageTimeoutW(
                control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]), SMTO_ABORTIFHUNG, 5000, &result))
            die("cannot set the text");
        return 0;
    }
    if (command == L"click" && argc > 3) {
        const HWND control = GetDlgItem(handleOf(argv[2]), static_cast<int>(std::wcstol(argv[3], nullptr, 0)));
        if (!control)
            die("no such control");
        // Posted: the click may open a modal window, which would hold a sent message up.
        PostMessageW(control, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == L"console")
        return console(argc, argv);
    if (command == L"processes") {
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (_wcsicmp(entry.szExeFile, argv[2]) == 0)
                write("pid " + std::to_string(entry.th32ProcessID));
        }
        CloseHandle(snapshot);
        return 0;
    }
    if (command == L"kill") {
        const HANDLE process
            = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
        if (!process || !TerminateProcess(process, 1))
            die("cannot end the process");
        CloseHandle(process);
        return 0;
    }
    if (command == L"alive") {
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
        write(std::string("alive ") + (process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT ? "1" : "0"));
        if (process)
            CloseHandle(process);
        return 0;
    }
    if (command == L"close") {
        PostMessageW(handleOf(argv[2]), WM_CLOSE, 0, 0);
        return 0;
    }
    die("unknown command");
}
