// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zoraven {

// The converter runs in a terminal window through the console helper, zoraven-console. What
// crosses the terminal's command line is plain ASCII, because some terminals mangle bytes that
// are not UTF-8; the helper decodes it back to the exact bytes.
inline constexpr std::string_view kConsoleHelperName = "zoraven-console";

// Percent-encoding over a small safe alphabet; a leading '-' is encoded too, so that no
// terminal can take an encoded argument for an option of its own.
std::string encodeArgument(std::string_view bytes);
// Nothing when `text` is not something encodeArgument produces.
std::optional<std::string> decodeArgument(std::string_view text);

// The helper's argument vector after its own name: the command line to show, the converter's
// file, then the converter's argv, each encoded.
std::vector<std::string> consoleArguments(
    std::string_view commandLine, const std::string& converter, const std::vector<std::string>& argv);

// `text` made safe to write to a terminal or to put in a window title: control characters
// (C0, DEL, C1) and bytes that are not valid UTF-8 are shown as \xNN, never written raw. Without
// `utf8`, every byte outside printable ASCII is shown that way.
std::string displayText(std::string_view text, bool utf8 = true);
bool isValidUtf8(std::string_view text);

// A terminal emulator that runs a program with its argument vector as given: no shell, no
// re-splitting of the arguments.
struct Terminal {
    std::string_view program;
    std::span<const std::string_view> desktops; // the XDG_CURRENT_DESKTOP names whose own terminal it is
    std::span<const std::string_view> options; // fixed: maximize, where it can
    std::string_view titleOption; // followed by the title; empty when it has none that works
    std::string_view runOption; // the program and its arguments follow; empty when they simply follow
};

namespace terminal_rows {
inline constexpr std::string_view kGnomeDesktops[] = { "GNOME", "X-Cinnamon", "Unity" };
inline constexpr std::string_view kKde[] = { "KDE" };
inline constexpr std::string_view kXfce[] = { "XFCE" };
inline constexpr std::string_view kMate[] = { "MATE" };
inline constexpr std::string_view kLxqt[] = { "LXQt" };
inline constexpr std::string_view kLxde[] = { "LXDE" };
inline constexpr std::string_view kGnome[] = { "GNOME" };
inline constexpr std::string_view kSway[] = { "sway" };
inline constexpr std::string_view kI3[] = { "i3" };
inline constexpr std::string_view kMaximize[] = { "--maximize" };
// Konsole has no maximize option, and titles its window itself unless told to take the program's.
inline constexpr std::string_view kKonsoleOptions[] = { "-p", "tabtitle=%w" };
inline constexpr std::string_view kFootOptions[] = { "--maximized" };
inline constexpr std::string_view kKittyOptions[] = { "--start-as=maximized" };
inline constexpr std::string_view kAlacrittyOptions[] = { "-o", "window.startup_mode=Maximized" };
// xterm writes titles as Latin-1 unless told otherwise.
inline constexpr std::string_view kXtermOptions[] = { "-maximized", "-xrm", "XTerm*utf8Title: true" };
} // namespace terminal_rows

// The order in which terminals are tried when the desktop's own is not installed, or the desktop
// is not known: first those that need nothing from a desktop session (gnome-terminal, for one,
// opens nothing without the session's message bus), xterm first as it works wherever X or
// XWayland does; foot last, as it works only in a Wayland session.
inline constexpr Terminal kTerminals[] = {
    { "xterm", {}, terminal_rows::kXtermOptions, "-T", "-e" },
    { "urxvt", terminal_rows::kI3, {}, "-T", "-e" },
    { "kitty", {}, terminal_rows::kKittyOptions, "-T", "" },
    { "alacritty", {}, terminal_rows::kAlacrittyOptions, "-T", "-e" },
    { "xfce4-terminal", terminal_rows::kXfce, terminal_rows::kMaximize, "-T", "-x" },
    { "mate-terminal", terminal_rows::kMate, terminal_rows::kMaximize, "-t", "-x" },
    { "lxterminal", terminal_rows::kLxde, {}, "-t", "-e" },
    { "qterminal", terminal_rows::kLxqt, {}, "", "-e" },
    { "konsole", terminal_rows::kKde, terminal_rows::kKonsoleOptions, "", "-e" },
    { "gnome-terminal", terminal_rows::kGnomeDesktops, terminal_rows::kMaximize, "--title", "--" },
    { "kgx", terminal_rows::kGnome, {}, "", "--" },
    { "foot", terminal_rows::kSway, terminal_rows::kFootOptions, "--title", "--" },
};

// `terminals` in the order they are tried: those of the desktops that `currentDesktop` (an
// XDG_CURRENT_DESKTOP value, names separated by ':') names, in its order, then the rest as listed.
std::vector<const Terminal*> terminalsInOrder(std::span<const Terminal> terminals, std::string_view currentDesktop);

// The argument vector that runs `program` with `arguments` inside `terminal`.
std::vector<std::string> terminalArguments(const Terminal& terminal, const std::string& program,
    const std::vector<std::string>& arguments, std::string_view title);

} // namespace zoraven
