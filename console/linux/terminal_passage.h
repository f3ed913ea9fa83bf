// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "console_text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zoraven {

// What crosses a terminal's command line on its way to the console helper in the window is plain
// ASCII, because some terminals mangle bytes that are not UTF-8; the helper decodes it back to the
// exact bytes.

// Percent-encoding over a small safe alphabet; a leading '-' is encoded too, so that no
// terminal can take an encoded argument for an option of its own.
std::string encodeArgument(std::string_view bytes);
// Nothing when `text` is not something encodeArgument produces.
std::optional<std::string> decodeArgument(std::string_view text);

// True when `text` is all bytes that encodeArgument leaves as they are: a word that no terminal
// can split, unquote or expand.
bool isPlainWord(std::string_view text);

// The helper's argument vector after its own name and options: the command line to show, the
// converter's file, then the converter's argv, each encoded.
std::vector<std::string> consoleArguments(
    std::string_view commandLine, const std::string& converter, const std::vector<std::string>& argv);

// The helper's options in the terminal's window. They stand before the encoded arguments, which
// never start with '-':
//   zoraven-console [--claim=PATH] [--maximize] [--window-stays] ARGUMENTS
// The run's claim (encoded): whoever removes it first runs the converter, so that it runs once.
inline constexpr std::string_view kClaimOption = "--claim=";
// The terminal cannot maximize its window itself: the helper has zoraven-maximize, installed
// beside it, ask the window manager.
inline constexpr std::string_view kMaximizeOption = "--maximize";
inline constexpr std::string_view kMaximizerName = "zoraven-maximize";
// The terminal keeps its window after the helper has ended.
inline constexpr std::string_view kWindowStaysOption = "--window-stays";

} // namespace zoraven
