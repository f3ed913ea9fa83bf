// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The control for the planted-DLL test: a bare program without the front end's protection, which
// loads each DLL named on its command line by its bare name, as a program or a system DLL on its
// behalf does. That it loads the planted ones shows that the test can see a planted DLL loaded.
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    for (int i = 1; i < argc; ++i)
        LoadLibraryW(argv[i]);
    return 0;
}
