// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zoraven {

// Where the desktops keep the user's choice of terminal: the XDG base folders of this process.
struct ChoicePlaces {
    std::string configHome; // XDG_CONFIG_HOME, else ~/.config
    std::vector<std::string> configDirs; // XDG_CONFIG_DIRS, else /etc/xdg
    std::string dataHome; // XDG_DATA_HOME, else ~/.local/share
    std::vector<std::string> dataDirs; // XDG_DATA_DIRS, else /usr/local/share:/usr/share
    std::string path; // where programs are looked for (PATH)

    static ChoicePlaces ofThisProcess(std::string path);
};

// The terminals that the current desktop's own setting names, best first, each as the file
// name of its program ("kitty"), and only those installed (found on PATH, or an executable file
// where the setting gives a path). `currentDesktop` is an XDG_CURRENT_DESKTOP value; each desktop
// it names is asked, in its order:
//   KDE        kdeglobals [General] TerminalService (a desktop file id), then TerminalApplication
//   XFCE       xfce4/helpers.rc TerminalEmulator (a helper of xfce4/helpers, or a command)
//   X-Cinnamon the dconf key /org/cinnamon/desktop/applications/terminal/exec
//   MATE       the dconf key /org/mate/desktop/applications/terminal/exec
//   LXQt       lxqt-qtxdg.conf TerminalEmulator (a desktop file id), then lxqt/session.conf
//              [Environment] TERM
// Files are only read. A setting that is missing, cannot be read or names nothing installed
// adds nothing.
std::vector<std::string> desktopsChosenTerminals(const ChoicePlaces& places, std::string_view currentDesktop);

// The terminal that xdg-terminal-exec would start because a user's or the system's
// xdg-terminals.list names it (`desktop`-xdg-terminals.list before xdg-terminals.list, in
// XDG_CONFIG_HOME, then in each of XDG_CONFIG_DIRS): the first listed desktop entry that is
// installed, as the file name of its program. Nothing when no list names an installed one.
std::optional<std::string> listedTerminal(const ChoicePlaces& places, std::string_view currentDesktop);

// The id of an installed desktop entry of a terminal emulator whose program is `program` (a file
// name), the user's entries first, for xdg-terminal-exec to be told to start it; or nothing.
std::optional<std::string> terminalEntryFor(const ChoicePlaces& places, std::string_view program);

// The text of the string value of `key` (a full dconf path) in a dconf database file, or nothing.
std::optional<std::string> dconfString(const std::string& databaseFile, std::string_view key);

} // namespace zoraven
