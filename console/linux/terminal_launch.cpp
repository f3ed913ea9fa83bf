// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "terminal_launch.h"

#include "converter_launch.h"
#include "process_spawn.h"
#include "program_files.h"
#include "run_claim.h"
#include "terminal_choice.h"
#include "terminal_passage.h"
#include "terminal_table.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zoraven {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A terminal that has not brought the helper up in this time is given up. A cold start of
// gnome-terminal or konsole on a two-core machine with six busy processes showed its first window
// within 1.1 to 1.9 s; this leaves five times that.
constexpr auto kStartLimit = 10s;
// How long, after the run is settled, a window that came up too late can still be told where the
// conversion runs; a later one is told only that it was started elsewhere.
constexpr auto kLateWindowWait = 30s;

enum class Outcome {
    CameUp, // the helper in its window claimed the run
    Failed, // the terminal ended with a failure, without bringing the helper up
    GivenUp, // ended with success, or shown nothing in time: a window may still come (a hand-over)
};

bool exists(const std::string& file) { return access(file.c_str(), F_OK) == 0; }

// Watches `terminal` until the helper in its window claims the run, or until the run is claimed
// back from it: at once when the terminal fails, at the start limit otherwise (a terminal that
// ends with success may have handed its window to a running instance of itself). A terminal
// still running then is ended.
Outcome watch(pid_t terminal, const std::string& claim)
{
    const auto deadline = Clock::now() + kStartLimit;
    bool ended = false;
    bool failed = false;
    while (exists(claim)) {
        int status = 0;
        if (!ended && waitpid(terminal, &status, WNOHANG) == terminal) {
            ended = true;
            failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        }
        if (failed || Clock::now() >= deadline) {
            if (!claimRun(claim))
                return Outcome::CameUp; // the helper came first after all
            if (!ended) {
                kill(-terminal, SIGKILL);
                waitpid(terminal, nullptr, 0);
            }
            return failed ? Outcome::Failed : Outcome::GivenUp;
        }
        std::this_thread::sleep_for(20ms);
    }
    return Outcome::CameUp;
}

// Variables by which terminals, multiplexers and launchers name the window or terminal instance
// that a program runs in, or hand it a token for its own start.
constexpr std::string_view kWindowVariables[] = {
    "WINDOWID",
    "KONSOLE_DBUS_SERVICE",
    "KONSOLE_DBUS_SESSION",
    "KONSOLE_DBUS_WINDOW",
    "SHELL_SESSION_ID",
    "GNOME_TERMINAL_SCREEN",
    "GNOME_TERMINAL_SERVICE",
    "KITTY_WINDOW_ID",
    "KITTY_PID",
    "KITTY_LISTEN_ON",
    "ALACRITTY_WINDOW_ID",
    "ALACRITTY_SOCKET",
    "TERMINATOR_UUID",
    "TILIX_ID",
    "WEZTERM_PANE",
    "DESKTOP_STARTUP_ID",
    "XDG_ACTIVATION_TOKEN",
};

// One terminal to try. `entry`, for xdg-terminal-exec only: the desktop entry that it is told to
// start, through an xdg-terminals.list of our own that comes before the system's lists.
struct Attempt {
    const Terminal* terminal;
    std::string entry;
    std::string name {}; // the terminal's program, where it is not the row's
    bool operator==(const Attempt&) const = default;
};

// The terminals that the user chose, best first: the desktop's own setting, then the terminal
// that xdg-terminal-exec starts because an xdg-terminals.list names it. A chosen terminal with a
// row of ours runs with that row; one without runs through xdg-terminal-exec, where that is
// installed. It starts the terminal of the user's own xdg-terminals.list when there is one, so a
// terminal that the desktop's setting names can be started through it only where the user's own
// list names none or that one.
std::vector<Attempt> chosenTerminals(const std::string& path, std::string_view desktop)
{
    const ChoicePlaces places = ChoicePlaces::ofThisProcess(path);
    const std::vector<std::string> programs = desktopsChosenTerminals(places, desktop);
    std::optional<std::string> listed;
    std::optional<std::string> listedByUser;
    const bool haveTerminalExec = findOnPath(path, kThroughXdgTerminalExec.program).has_value();
    if (haveTerminalExec) {
        listed = listedTerminal(places, desktop);
        ChoicePlaces userOnly = places;
        userOnly.configDirs.clear();
        listedByUser = listedTerminal(userOnly, desktop);
    }
    std::vector<Attempt> chosen;
    const auto add = [&chosen](Attempt attempt) {
        if (std::find(chosen.begin(), chosen.end(), attempt) == chosen.end())
            chosen.push_back(std::move(attempt));
    };
    for (const std::string& program : programs) {
        if (const Terminal* terminal = findTerminal(program))
            add({ terminal, {} });
        else if (program == listed)
            add({ &kThroughXdgTerminalExec, {}, program });
        else if (haveTerminalExec && !listedByUser) {
            if (std::optional<std::string> entry = terminalEntryFor(places, program))
                add({ &kThroughXdgTerminalExec, std::move(*entry), program });
        }
    }
    if (listed && findTerminal(*listed))
        add({ findTerminal(*listed), {} });
    else if (listed)
        add({ &kThroughXdgTerminalExec, {}, *listed });
    return chosen;
}

// What runs `entry` through xdg-terminal-exec: an xdg-terminals.list naming it, in a folder put
// before XDG_CONFIG_DIRS in the terminal's environment, and the words that give the helper this
// process's XDG_CONFIG_DIRS back (through env, as the terminal passes its environment on).
// Nothing when they would not be plain words.
std::optional<std::vector<std::string>> steerTo(const std::string& entry, const ClaimFolder& folder, int number,
    const std::string& path, std::vector<std::string>& environment)
{
    // Where every system has it, whatever PATH says.
    const std::optional<std::string> env = program_files::isProgramFile("/usr/bin/env")
        ? std::optional<std::string>("/usr/bin/env")
        : findOnPath(path, "env");
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    const char* cache = std::getenv("XTE_CACHE_ENABLED");
    if (!env || !isPlainWord(*env) || (dirs && !isPlainWord(dirs)) || (cache && !isPlainWord(cache)))
        return std::nullopt;
    const std::string lists = folder.path() + "/lists-" + std::to_string(number);
    if (mkdir(lists.c_str(), 0700) != 0)
        return std::nullopt;
    std::ofstream(lists + "/xdg-terminals.list") << entry << "\n";
    std::erase_if(environment, [](const std::string& variable) {
        return variable.starts_with("XDG_CONFIG_DIRS=") || variable.starts_with("XTE_CACHE_ENABLED=");
    });
    environment.push_back("XDG_CONFIG_DIRS=" + lists + ":" + (dirs && *dirs ? dirs : "/etc/xdg"));
    // Its cache would remember this choice for the user's next call of it.
    environment.emplace_back("XTE_CACHE_ENABLED=0");
    // env takes its options before the variables it sets.
    std::vector<std::string> words { *env };
    std::vector<std::string> settings;
    for (const auto& [name, value] :
        { std::pair { "XDG_CONFIG_DIRS", dirs }, std::pair { "XTE_CACHE_ENABLED", cache } }) {
        if (value) {
            settings.push_back(std::string(name) + "=" + value);
        } else {
            words.emplace_back("-u");
            words.emplace_back(name);
        }
    }
    words.insert(words.end(), settings.begin(), settings.end());
    return words;
}

// On Wayland, KWin's ids of the windows there now, beside the claim: once the terminal has
// started, the window that is not among them is the conversion's, at once, without waiting for the
// title that the terminal shows late. Where KWin does not answer, nothing is noted.
void noteWindowsBefore(const std::string& claim)
{
    if (!std::getenv("WAYLAND_DISPLAY"))
        return;
    const std::string maximizer = program_files::joinPath(program_files::executableDirectory(), kMaximizerName);
    const pid_t pid
        = spawnProgram(maximizer, { maximizer, "--windows-before", windowsBeforeFile(claim) }, Session::Own);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
}

} // namespace

std::vector<std::string> environmentForTerminals()
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view variable(*entry);
        const std::string_view name = variable.substr(0, variable.find('='));
        if (std::find(std::begin(kWindowVariables), std::end(kWindowVariables), name) == std::end(kWindowVariables))
            environment.emplace_back(variable);
    }
    return environment;
}

int launchInTerminal(const std::string& helper, const std::string& commandLine, const std::string& converter,
    const std::vector<std::string>& converterArgv)
{
    const std::string title = displayText(commandLine);
    const std::vector<std::string> arguments = consoleArguments(commandLine, converter, converterArgv);
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    const std::string path = SearchPlaces::ofThisProcess().path;
    const std::vector<std::string> environment = environmentForTerminals();

    std::optional<ClaimFolder> folder = ClaimFolder::make();
    if (!folder)
        std::fputs("zoraven-console: no folder for the run's claim could be made (in XDG_RUNTIME_DIR, TMPDIR or "
                   "/tmp), so no terminal is tried: zoraven runs without a window\n",
            stderr);
    // Without a claim there would be no telling a late helper from none: no terminal is tried.
    std::vector<Attempt> order;
    if (folder) {
        order = chosenTerminals(path, desktop ? desktop : "");
        std::vector<const Terminal*> rows;
        for (const Attempt& attempt : order) {
            if (attempt.terminal != &kThroughXdgTerminalExec)
                rows.push_back(attempt.terminal);
        }
        for (const Terminal* terminal : terminalsInOrder(kTerminals, desktop ? desktop : "", rows)) {
            if (std::find(rows.begin(), rows.end(), terminal) == rows.end())
                order.push_back({ terminal, {} });
        }
    }
    std::vector<std::string> mayStillCome;
    std::string settled;
    int tried = 0;
    for (const Attempt& attempt : order) {
        const Terminal* terminal = attempt.terminal;
        const std::optional<std::string> file = findOnPath(path, terminal->program);
        if (!file)
            continue;
        std::string program = helper;
        // Never a path that such a terminal could cut into another program, nor bytes that a
        // terminal could mangle on the way.
        if ((terminal->splitsCommand && !isPlainWord(program)) || !isValidUtf8(program))
            program = folder->plainPathTo(helper);
        std::vector<std::string> terminalEnvironment = environment;
        std::vector<std::string> steering;
        if (!attempt.entry.empty()) {
            std::optional<std::vector<std::string>> words
                = steerTo(attempt.entry, *folder, ++tried, path, terminalEnvironment);
            if (!words)
                continue;
            steering = std::move(*words);
        }
        const std::string claim = program.empty() ? std::string() : folder->newClaim();
        if (claim.empty())
            continue;

        std::vector<std::string> options { std::string(kClaimOption) + encodeArgument(claim) };
        if (!terminal->maximizes) {
            options.emplace_back(kMaximizeOption);
            noteWindowsBefore(claim);
        }
        if (terminal->keepsWindow)
            options.emplace_back(kWindowStaysOption);
        options.insert(options.end(), arguments.begin(), arguments.end());
        if (!steering.empty()) {
            options.insert(options.begin(), program);
            options.insert(options.begin(), steering.begin() + 1, steering.end());
            program = steering.front();
        }

        // What the helper in the window writes belongs in the window: a terminal that passed its
        // own output on to it would put it into the front end's, the desktop session's log.
        const pid_t pid = spawnProgram(*file, terminalArguments(*terminal, program, options, title), Session::Own,
            &terminalEnvironment, Streams::ErrorOnly);
        const Outcome outcome = pid < 0 ? Outcome::Failed : watch(pid, claim);
        if (pid < 0)
            claimRun(claim);
        if (outcome == Outcome::CameUp) {
            settled = attempt.name.empty() ? std::string(terminal->program) : attempt.name;
            break;
        }
        if (outcome == Outcome::GivenUp)
            mayStillCome.push_back(claim);
    }
    int status = 0;
    if (settled.empty()) {
        // No terminal brought the helper up: the converter runs without a window, as it would
        // where no terminal is installed.
        const bool started = spawnProgram(converter, converterArgv, Session::Own) > 0;
        settled = started ? kWithoutWindow : kNotStarted;
        status = started ? 0 : 1;
    }
    if (folder) {
        folder->settle(settled);
        folder->awaitLateWindows(mayStillCome, kLateWindowWait);
    }
    return status;
}

} // namespace zoraven
