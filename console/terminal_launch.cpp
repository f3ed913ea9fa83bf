// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "terminal_launch.h"

#include "converter_launch.h"
#include "run_claim.h"
#include "terminal_passage.h"
#include "terminal_table.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <optional>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace zoraven {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A terminal that shows nothing for this long is taken for one that will not.
constexpr auto kStartLimit = 10s;
// A terminal that ends at once with success may have handed the window to a running instance of
// itself, which then brings the helper up a moment later.
constexpr auto kHandOverGrace = 2s;

bool exists(const std::string& file) { return access(file.c_str(), F_OK) == 0; }

// True once the helper in `terminal`'s window has claimed the run. False when the terminal ended,
// or showed nothing in time, without bringing the helper up: the run is claimed back then, and
// the terminal ended if it still runs.
bool helperCameUp(pid_t terminal, const std::string& claim)
{
    auto deadline = Clock::now() + kStartLimit;
    bool ended = false;
    while (exists(claim)) {
        int status = 0;
        if (!ended && waitpid(terminal, &status, WNOHANG) == terminal) {
            ended = true;
            const bool success = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            deadline = std::min(deadline, success ? Clock::now() + kHandOverGrace : Clock::now());
        }
        if (Clock::now() >= deadline) {
            if (!claimRun(claim))
                return true; // the helper came first after all
            if (!ended) {
                kill(-terminal, SIGKILL);
                waitpid(terminal, nullptr, 0);
            }
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

} // namespace

int launchInTerminal(const std::string& helper, std::span<char* const> terminals, std::span<char* const> arguments)
{
    std::vector<std::string> decoded;
    for (const char* argument : arguments) {
        if (std::optional<std::string> bytes = decodeArgument(argument))
            decoded.push_back(std::move(*bytes));
    }
    if (decoded.size() < 3 || decoded.size() != arguments.size())
        return 2;
    const std::string title = displayText(decoded[0]);
    const std::string& converter = decoded[1];
    const std::vector<std::string> converterArgv(decoded.begin() + 2, decoded.end());

    std::optional<ClaimFolder> folder = ClaimFolder::make();
    for (const char* terminalFile : terminals) {
        const std::string file = terminalFile;
        const Terminal* terminal = findTerminal(file.substr(file.rfind('/') + 1));
        if (!terminal)
            continue;
        std::string program = helper;
        // Never a path that such a terminal could cut into another program.
        if (terminal->splitsCommand && !isPlainWord(program))
            program = folder ? folder->plainPathTo(helper) : std::string();
        if (program.empty())
            continue;

        std::vector<std::string> options;
        const std::string claim = folder ? folder->newClaim() : std::string();
        if (!claim.empty())
            options.push_back(std::string(kClaimOption) + encodeArgument(claim));
        if (!terminal->maximizes)
            options.emplace_back(kMaximizeOption);
        if (terminal->keepsWindow)
            options.emplace_back(kWindowStaysOption);
        options.insert(options.end(), arguments.begin(), arguments.end());

        const pid_t pid = spawnProgram(file, terminalArguments(*terminal, program, options, title), Session::Own);
        if (pid < 0) {
            if (!claim.empty())
                claimRun(claim);
            continue;
        }
        // Without a claim there is no telling a late helper from none: the terminal has it.
        if (claim.empty() || helperCameUp(pid, claim))
            return 0;
    }
    // No terminal brought the helper up: the converter runs without a window, as it would
    // where no terminal is installed.
    return spawnProgram(converter, converterArgv, Session::Own) > 0 ? 0 : 1;
}

} // namespace zoraven
