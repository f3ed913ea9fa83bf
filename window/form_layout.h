// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string_view>

// The window Form1 as plain data, which the window of each platform (linux/: Qt Widgets;
// windows/: Win32) builds itself from. Positions are in twips from the top-left corner of the
// client area: 1440 to the inch, so 15 to a pixel at 96 dots per inch.
namespace zoraven::form1 {

inline constexpr std::string_view kCaption = "ZORAVEN frontend By (^)TOLVAR(^)";
inline constexpr int kClientWidth = 5790;
inline constexpr int kClientHeight = 2520;

enum class Kind { Label, TextBox, PushButton, OptionButton };

struct Control {
    std::string_view name;
    Kind kind;
    std::string_view caption; // at start
    int left;
    int top;
    int width;
    int height;
    int tabIndex; // the keyboard order among the controls that take the focus; labels take none
};

// In the order of their rows on screen. `mode` holds the chosen flag for the program, not
// anything for the user: each window keeps it out of sight.
inline constexpr Control kControls[] = {
    { "Label1", Kind::Label, "Image location", 120, 480, 1095, 255, 6 },
    { "Text1", Kind::TextBox, "", 1320, 480, 2415, 285, 0 },
    { "Command1", Kind::PushButton, "Browse", 3840, 480, 1695, 375, 1 },
    { "Label2", Kind::Label, "Convert Image To:", 120, 1320, 1335, 255, 7 },
    { "NTSC", Kind::OptionButton, "NTSC", 1560, 1320, 855, 375, 3 },
    { "PAL", Kind::OptionButton, "PAL", 1560, 1800, 855, 255, 2 },
    { "Command2", Kind::PushButton, "CONVERT IMAGE", 3840, 1320, 1695, 615, 4 },
    { "mode", Kind::Label, "", 5760, 120, 615, 255, 5 },
};

// What the window's Load sets on its file dialog: where its first opening starts (the root
// directory; on Windows the root of the current drive), and its entries, descriptions and
// patterns alternating.
inline constexpr std::string_view kInitDir = "/";
inline constexpr std::string_view kFilter = "Cdr-Win Image (*.bin)|*.bin|ISO Image (*.iso)|*.iso";

} // namespace zoraven::form1
