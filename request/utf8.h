// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-8 read one sequence at a time, for the texts that cross between the program's own byte
// strings and what a console or Windows shows.
#pragma once

#include <cstddef>
#include <string_view>

namespace zoraven {

struct Utf8Sequence {
    char32_t code = 0;
    // 0 where no well-formed sequence starts.
    std::size_t length = 0;
};

// The sequence at the start of `text`, which is not empty. Surrogates (U+D800 to U+DFFF) are
// decoded like any code point, so that a lone one written out as three bytes comes back; whoever
// wants strict UTF-8 rejects them. Overlong forms and code points past U+10FFFF have length 0.
Utf8Sequence decodeUtf8(std::string_view text);

constexpr bool isSurrogate(char32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

} // namespace zoraven
