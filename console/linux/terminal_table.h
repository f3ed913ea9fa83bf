// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zoraven {

// A terminal emulator that runs a program with its argument vector as given, through no shell,
// and what the helper in its window has to make up for.
struct Terminal {
    std::string_view program {};
    std::span<const std::string_view> desktops {}; // the XDG_CURRENT_DESKTOP names whose own terminal it is
    // Fixed: maximize where it can, and keep the window in this process (no hand-over to a
    // running instance), so that the terminal's exit tells whether it could run the program.
    std::span<const std::string_view> options {};
    std::string_view titleOption {}; // followed by the title; empty when it has none that works
    std::string_view runOption {}; // the program and its arguments follow; empty when they simply follow
    bool maximizes = true; // false: the helper asks the window manager to maximize the window
    bool splitsCommand = false; // joins the program and its arguments, and splits them again at blanks
    bool keepsWindow = false; // keeps its window open after the program has ended
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
// xterm sizes itself to the work area, and writes titles as Latin-1 unless told otherwise.
inline constexpr std::string_view kXtermOptions[] = { "-maximized", "-xrm", "XTerm*utf8Title: true" };
inline constexpr std::string_view kKittyOptions[] = { "--start-as=maximized" };
inline constexpr std::string_view kAlacrittyOptions[] = { "-o", "window.startup_mode=Maximized" };
inline constexpr std::string_view kXfceOptions[] = { "--maximize", "--disable-server" };
inline constexpr std::string_view kMateOptions[] = { "--maximize", "--disable-factory" };
inline constexpr std::string_view kLxterminalOptions[] = { "--no-remote" };
// Konsole titles its window itself unless told to take the program's title.
inline constexpr std::string_view kKonsoleOptions[] = { "-p", "tabtitle=%w" };
// Without --wait the client returns as soon as the terminal server has the request.
inline constexpr std::string_view kGnomeTerminalOptions[] = { "--maximize", "--wait" };
inline constexpr std::string_view kFootOptions[] = { "--maximized" };
} // namespace terminal_rows

// The order in which terminals are tried when the desktop's own is not installed, or the desktop
// is not known: first those that need nothing from a desktop session (gnome-terminal, for one,
// opens nothing without the session's message bus), xterm first as it works wherever X or
// XWayland does; foot last, as it works only in a Wayland session.
inline constexpr Terminal kTerminals[] = {
    { .program = "xterm", .options = terminal_rows::kXtermOptions, .titleOption = "-T", .runOption = "-e" },
    { .program = "urxvt", .desktops = terminal_rows::kI3, .titleOption = "-T", .runOption = "-e", .maximizes = false },
    { .program = "kitty", .options = terminal_rows::kKittyOptions, .titleOption = "-T" },
    { .program = "alacritty", .options = terminal_rows::kAlacrittyOptions, .titleOption = "-T", .runOption = "-e" },
    { .program = "xfce4-terminal",
        .desktops = terminal_rows::kXfce,
        .options = terminal_rows::kXfceOptions,
        .titleOption = "-T",
        .runOption = "-x" },
    { .program = "mate-terminal",
        .desktops = terminal_rows::kMate,
        .options = terminal_rows::kMateOptions,
        .titleOption = "-t",
        .runOption = "-x" },
    { .program = "lxterminal",
        .desktops = terminal_rows::kLxde,
        .options = terminal_rows::kLxterminalOptions,
        .titleOption = "-t",
        .runOption = "-e",
        .maximizes = false },
    { .program = "qterminal",
        .desktops = terminal_rows::kLxqt,
        .runOption = "-e",
        .maximizes = false,
        .splitsCommand = true },
    { .program = "konsole",
        .desktops = terminal_rows::kKde,
        .options = terminal_rows::kKonsoleOptions,
        .runOption = "-e",
        .maximizes = false },
    { .program = "gnome-terminal",
        .desktops = terminal_rows::kGnomeDesktops,
        .options = terminal_rows::kGnomeTerminalOptions,
        .titleOption = "--title",
        .runOption = "--" },
    { .program = "kgx", .desktops = terminal_rows::kGnome, .runOption = "--", .maximizes = false, .keepsWindow = true },
    { .program = "foot",
        .desktops = terminal_rows::kSway,
        .options = terminal_rows::kFootOptions,
        .titleOption = "--title",
        .runOption = "--" },
};

// A terminal that the user chose and that has no row here, started through xdg-terminal-exec,
// which knows from the terminal's desktop entry how to give it a command. What that terminal
// does with its command line is not known: the helper is given one of plain words, maximizes the
// window and titles it itself.
inline constexpr Terminal kThroughXdgTerminalExec
    = { .program = "xdg-terminal-exec", .runOption = "--", .maximizes = false, .splitsCommand = true };

// The row of the terminal whose program is named `program`, or nothing.
const Terminal* findTerminal(std::string_view program);

// `terminals` in the order they are tried: `chosen` (the user's choice) first, then those of the
// desktops that `currentDesktop` (an XDG_CURRENT_DESKTOP value, names separated by ':') names, in
// its order, then the rest as listed.
std::vector<const Terminal*> terminalsInOrder(
    std::span<const Terminal> terminals, std::string_view currentDesktop, std::span<const Terminal* const> chosen = {});

// The argument vector that runs `program` with `arguments` inside `terminal`.
std::vector<std::string> terminalArguments(const Terminal& terminal, const std::string& program,
    const std::vector<std::string>& arguments, std::string_view title);

} // namespace zoraven
