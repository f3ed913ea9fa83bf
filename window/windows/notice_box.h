// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

#include <windows.h>

// The window's notices: Windows' message box, modal to its owner, with the text, one OK button
// and no icon, captioned with the program's name.
class NoticeBox {
public:
    virtual ~NoticeBox() = default;
    // Returns once the user has dismissed the box.
    virtual void show(HWND owner, const std::wstring& text);
};
