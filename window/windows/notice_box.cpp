// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "notice_box.h"

#include "conversion_request.h"
#include "wide_text.h"

void NoticeBox::show(HWND owner, const std::wstring& text)
{
    const std::wstring caption = zoraven::toWide(zoraven::kApplicationTitle);
    MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK);
}
