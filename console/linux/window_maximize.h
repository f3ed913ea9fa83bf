// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace zoraven {

// Whether a window's title `caption` is `title`, as the console helper set it: the same text, or
// the text followed by what a terminal adds to it (" — Konsole", and a window manager's " <2>").
bool captionShowsTitle(std::string_view caption, std::string_view title);

// Asks for the conversion's window to be maximized, as soon as it is there: the window of
// `terminal` (the process that runs the console helper) titled `title`, never another window of
// that process or of anyone else. Gives up after a few seconds. For terminals that cannot ask for
// it themselves. True once the window shows the maximized state; otherwise it says on standard
// error what failed.
// - On X11 it asks the window manager (EWMH), for the window that WINDOWID names where the
//   terminal sets it, else for the window of `terminal` with that title.
// - On Wayland no client may maximize another's window; KWin, though, runs scripts, and a script
//   loaded for the moment over the session bus maximizes the window and reports back. There the
//   window is the one of `terminal` that is not among `windowsBefore` (KWin's ids of the windows
//   it listed before the terminal started) when there is only one such; otherwise, or without
//   that list, the one titled `title`.
bool maximizeTerminalWindow(pid_t terminal, std::string_view title, const std::vector<std::string>& windowsBefore = {});

// On Wayland, the ids of the windows that KWin lists; nothing where KWin does not answer.
std::optional<std::vector<std::string>> windowsKWinLists();

} // namespace zoraven
