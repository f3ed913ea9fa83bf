// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A DLL planted under the name of another, where nobody should load it from: when a process loads
// it, it writes its own path to %ZORAVEN_PLANT_LOG%\loaded-<pid>-<its address>.
#include <windows.h>

#include <stdio.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t folder[1024];
    const DWORD length = GetEnvironmentVariableW(L"ZORAVEN_PLANT_LOG", folder, 1024);
    if (length == 0 || length >= 1024)
        return TRUE;
    wchar_t marker[1200];
    _snwprintf(marker, 1200, L"%ls\\loaded-%lu-%p", folder, GetCurrentProcessId(), (void*)module);
    wchar_t path[1024] = L"";
    GetModuleFileNameW(module, path, 1024);
    char text[3100];
    const int size = WideCharToMultiByte(CP_UTF8, 0, path, -1, text, sizeof(text), NULL, NULL);
    const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(file, text, size > 0 ? (DWORD)size - 1 : 0, &written, NULL);
    CloseHandle(file);
    return TRUE;
}
