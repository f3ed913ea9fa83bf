// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark's baseline: a bare Win32 window with the front end's controls at their places at
// 96 DPI in the default GUI font, whose CONVERT IMAGE button starts the program named on the
// command line, with "-p" and a fixed path, in a maximized console, with no search and no checks.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring g_converter;

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == 1006) {
        std::wstring line = L"zoraven -p C:\\img\\disc.bin";
        STARTUPINFOW startup {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWMAXIMIZED;
        PROCESS_INFORMATION process {};
        if (CreateProcessW(g_converter.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                nullptr, &startup, &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    if (__argc > 1)
        g_converter = __wargv[1];
    WNDCLASSW windowClass {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = L"BareWindow";
    RegisterClassW(&windowClass);
    RECT frame { 0, 0, 386, 168 };
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowW(L"BareWindow", L"bare window", style, CW_USEDEFAULT, CW_USEDEFAULT,
        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    struct Control {
        const wchar_t* windowClass;
        const wchar_t* caption;
        DWORD style;
        int id, left, top, width, height;
    };
    const Control controls[] = {
        { L"STATIC", L"Image location", 0, 1000, 8, 32, 73, 17 },
        { L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL | WS_BORDER, 1001, 88, 32, 161, 19 },
        { L"BUTTON", L"Browse", WS_TABSTOP | BS_PUSHBUTTON, 1002, 256, 32, 113, 25 },
        { L"STATIC", L"Convert Image To:", 0, 1003, 8, 88, 89, 17 },
        { L"BUTTON", L"NTSC", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 1004, 104, 88, 57, 25 },
        { L"BUTTON", L"PAL", BS_AUTORADIOBUTTON, 1005, 104, 120, 57, 17 },
        { L"BUTTON", L"CONVERT IMAGE", WS_TABSTOP | BS_PUSHBUTTON | WS_GROUP, 1006, 256, 88, 113, 41 },
    };
    const HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    for (const Control& control : controls) {
        HWND child = CreateWindowW(control.windowClass, control.caption, WS_CHILD | WS_VISIBLE | control.style,
            control.left, control.top, control.width, control.height, window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ShowWindow(window, show);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
