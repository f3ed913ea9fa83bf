// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "terminal_passage.h"

#include <algorithm>

namespace zoraven {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

bool isSafeByte(unsigned char byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')
        || std::string_view("/._-+,:=@").find(static_cast<char>(byte)) != std::string_view::npos;
}

int hexValue(char digit)
{
    const std::size_t at = kHexDigits.find(digit);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// `marker` and the byte in two upper-case hex digits: "%1B", "\\x1B".
void appendHex(std::string& out, std::string_view marker, unsigned char byte)
{
    out += marker;
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
}

// The length of the valid UTF-8 sequence at the start of `text`, or 0 when there is none.
std::size_t utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t code = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

} // namespace

std::string encodeArgument(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (isSafeByte(byte) && !(i == 0 && byte == '-')) {
            text += static_cast<char>(byte);
        } else {
            appendHex(text, "%", byte);
        }
    }
    return text;
}

std::optional<std::string> decodeArgument(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            if (!isSafeByte(static_cast<unsigned char>(text[i])))
                return std::nullopt;
            bytes += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

bool isPlainWord(std::string_view text)
{
    return std::all_of(
        text.begin(), text.end(), [](char byte) { return isSafeByte(static_cast<unsigned char>(byte)); });
}

std::vector<std::string> consoleArguments(
    std::string_view commandLine, const std::string& converter, const std::vector<std::string>& argv)
{
    std::vector<std::string> arguments { encodeArgument(commandLine), encodeArgument(converter) };
    for (const std::string& argument : argv)
        arguments.push_back(encodeArgument(argument));
    return arguments;
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
