// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>

// What the converter's console window says, the same on every platform.
namespace zoraven {

// The lines that tell how the conversion ended, and the last one.
inline constexpr std::string_view kFinishedLine = "Conversion finished successfully.";
// "Conversion failed: zoraven exited with status N."
std::string failedLine(unsigned long status);
// "Conversion stopped: zoraven was ended by HOW." (a signal; Ctrl+C; ...)
std::string stoppedLine(std::string_view how);
// "Conversion not started: zoraven could not be started (REASON)."
std::string notStartedLine(std::string_view reason);
inline constexpr std::string_view kPressEnterLine = "Press Enter to close this window.";
// Where the window stays after the helper has ended.
inline constexpr std::string_view kCloseNowLine = "You can close this window now.";

// `text` made safe to write to a terminal or to put in a window title: control characters
// (C0, DEL, C1) and bytes that are not valid UTF-8 are shown as \xNN, never written raw. Without
// `utf8`, every byte outside printable ASCII is shown that way.
std::string displayText(std::string_view text, bool utf8 = true);
bool isValidUtf8(std::string_view text);

// `marker` and the byte in two upper-case hex digits: "%1B", "\\x1B".
void appendHex(std::string& out, std::string_view marker, unsigned char byte);

} // namespace zoraven
