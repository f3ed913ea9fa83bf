// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "terminal_table.h"

#include <algorithm>

namespace zoraven {

const Terminal* findTerminal(std::string_view program)
{
    const auto row = std::find_if(std::begin(kTerminals), std::end(kTerminals),
        [program](const Terminal& terminal) { return terminal.program == program; });
    return row == std::end(kTerminals) ? nullptr : &*row;
}

std::vector<const Terminal*> terminalsInOrder(
    std::span<const Terminal> terminals, std::string_view currentDesktop, std::span<const Terminal* const> chosen)
{
    std::vector<const Terminal*> order;
    const auto add = [&order](const Terminal& terminal) {
        if (std::find(order.begin(), order.end(), &terminal) == order.end())
            order.push_back(&terminal);
    };
    for (const Terminal* terminal : chosen)
        add(*terminal);
    while (!currentDesktop.empty()) {
        const std::size_t colon = currentDesktop.find(':');
        const std::string_view desktop = currentDesktop.substr(0, colon);
        for (const Terminal& terminal : terminals) {
            if (std::find(terminal.desktops.begin(), terminal.desktops.end(), desktop) != terminal.desktops.end())
                add(terminal);
        }
        currentDesktop.remove_prefix(colon == std::string_view::npos ? currentDesktop.size() : colon + 1);
    }
    for (const Terminal& terminal : terminals)
        add(terminal);
    return order;
}

std::vector<std::string> terminalArguments(const Terminal& terminal, const std::string& program,
    const std::vector<std::string>& arguments, std::string_view title)
{
    std::vector<std::string> argv { std::string(terminal.program) };
    argv.insert(argv.end(), terminal.options.begin(), terminal.options.end());
    if (!terminal.titleOption.empty()) {
        argv.emplace_back(terminal.titleOption);
        argv.emplace_back(title);
    }
    if (!terminal.runOption.empty())
        argv.emplace_back(terminal.runOption);
    argv.push_back(program);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

} // namespace zoraven
