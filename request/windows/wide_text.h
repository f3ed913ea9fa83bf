// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>

// Windows names files and passes arguments in UTF-16; the shared code holds text as UTF-8 bytes.
// The conversion keeps every UTF-16 string whole, also one that is not valid UTF-16: a surrogate
// without its partner becomes the three bytes that UTF-8 would give its code point (as WTF-8
// does), and comes back as that same surrogate.
namespace zoraven {

std::string toUtf8(std::wstring_view text);

// The inverse of toUtf8. Bytes that toUtf8 never writes (not UTF-8, overlong, past U+10FFFF)
// become U+FFFD each.
std::wstring toWide(std::string_view text);

} // namespace zoraven
