// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "terminal_passage.h"

#include "console_text.h"

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

} // namespace zoraven
