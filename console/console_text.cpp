// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "console_text.h"

#include "utf8.h"

namespace zoraven {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

// The length of the valid UTF-8 sequence at the start of `text`, or 0 when there is none.
std::size_t utf8SequenceLength(std::string_view text)
{
    const Utf8Sequence sequence = decodeUtf8(text);
    return isSurrogate(sequence.code) ? 0 : sequence.length;
}

} // namespace

std::string failedLine(unsigned long status)
{
    return "Conversion failed: zoraven exited with status " + std::to_string(status) + ".";
}

std::string stoppedLine(std::string_view how)
{
    return "Conversion stopped: zoraven was ended by " + std::string(how) + ".";
}

std::string notStartedLine(std::string_view reason)
{
    return "Conversion not started: zoraven could not be started (" + std::string(reason) + ").";
}

void appendHex(std::string& out, std::string_view marker, unsigned char byte)
{
    out += marker;
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
}

std::string displayText(std::string_view text, bool utf8)
{
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        const auto lead = static_cast<unsigned char>(text.front());
        const std::size_t length = utf8 ? utf8SequenceLength(text) : 1;
        // C1 controls are U+0080 to U+009F: C2 80 to C2 9F in UTF-8.
        const bool control = lead < 0x20 || lead == 0x7F || (!utf8 && lead >= 0x80)
            || (length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0);
        if (length == 0 || control) {
            appendHex(shown, "\\x", lead);
            text.remove_prefix(1);
            continue;
        }
        shown += text.substr(0, length);
        text.remove_prefix(length);
    }
    return shown;
}

bool isValidUtf8(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t length = utf8SequenceLength(text);
        if (length == 0)
            return false;
        text.remove_prefix(length);
    }
    return true;
}

} // namespace zoraven
