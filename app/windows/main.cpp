// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include <windows.h>

#include <objbase.h>

#include "converter_launch.h"
#include "main_window.h"
#include "process_start.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    // Before anything can load a library: DLLs come from Windows' own folder only, never from the
    // program's folder or the current one, where anybody may have put a DLL of the same name.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);

    // The Open dialog is a COM object of the shell, which wants a single-threaded apartment.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
        return 1;

    zoraven::NewConsoleStart programs;
    zoraven::ConverterLauncher launcher(programs);
    int status = 1;
    {
        Form1 form(launcher);
        if (form.window()) {
            form.show(showCommand);
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                if (form.takeKeys(message))
                    continue;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            status = 0;
        }
    }
    CoUninitialize();
    return status;
}
