// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The console helper: the converter's window opened in the desktop's own terminal, else in the
// next one that comes up, one conversion per click, and what it shows in the window.
#include "launch_fixture.h"
#include "terminal_passage.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <set>

#include <fcntl.h>
#include <pty.h>
#include <sys/prctl.h>
#include <sys/wait.h>

namespace zoraven {
namespace {

TEST_F(LaunchTest, RunsInTheDesktopsOwnTerminalElseTheFirstInstalledThroughTheConsoleHelper)
{
    install(bin(), "zoraven");
    fs::copy_file(CONSOLE_HELPER, own() / "zoraven-console");
    // ghostty stands in for a terminal that has no row of ours.
    for (const char* terminal : { "xterm", "konsole", "gnome-terminal", "qterminal", "kitty", "ghostty" })
        install(terminals(), terminal);
    const fs::path terminalExec = root / "xdg-terminal-exec";
    fs::create_directory(terminalExec);
    install(terminalExec, "xdg-terminal-exec");
    const std::string path = terminals().string() + ":" + bin().string();
    const std::string image = "/img/My \"Images\"/$(x) ;&|\xff.iso";
    const fs::path converterFile = bin() / "zoraven";

    // The user's settings, in folders of this test's own (files relative to them).
    const fs::path home = root / "home";
    const fs::path config = root / "config";
    const fs::path data = root / "data";
    const std::string kittyEntry = "[Desktop Entry]\nType=Application\nName=kitty\nTryExec=kitty\nExec=kitty\n"
                                   "Categories=System;TerminalEmulator;\n";
    const std::string ghosttyEntry
        = "[Desktop Entry]\nType=Application\nName=Ghostty\nExec=ghostty\nCategories=System;TerminalEmulator;\n";
    struct Case {
        std::string desktop;
        std::string terminal;
        std::vector<std::pair<std::string, std::string>> settings {}; // under config/ or data/
        bool haveTerminalExec = false;
    };
    const Case cases[] = {
        { "KDE", "konsole" },
        { "ubuntu:GNOME", "gnome-terminal" },
        { "X-Cinnamon:Unknown", "gnome-terminal" },
        { "LXQt", "qterminal" }, // splits its command at blanks
        { "XFCE", "xterm" }, // its own is not installed
        { "", "xterm" },
        // The user's choice comes first.
        { "KDE", "kitty",
            { { "config/kdeglobals", "[General]\nTerminalApplication=kitty\nTerminalService=kitty.desktop\n" },
                { "data/applications/kitty.desktop", kittyEntry } } },
        { "XFCE", "kitty",
            { { "config/xfce4/helpers.rc", "TerminalEmulator=kitty\n" },
                { "data/xfce4/helpers/kitty.desktop",
                    "[Desktop Entry]\nType=X-XFCE-Helper\nX-XFCE-Binaries=kitty;\nX-XFCE-Commands=%B;\n" } } },
        { "ubuntu:GNOME", "ghostty",
            { { "config/xdg-terminals.list", "ghostty.desktop\n" },
                { "data/applications/ghostty.desktop", ghosttyEntry } },
            true },
        // xdg-terminal-exec is told which terminal the desktop's setting names, and the
        // converter is given the session's XDG_CONFIG_DIRS back.
        { "KDE", "ghostty",
            { { "config/kdeglobals", "[General]\nTerminalApplication=ghostty\n" },
                { "data/applications/ghostty.desktop", ghosttyEntry } },
            true },
        // A choice that names nothing installed, or needs what is missing, changes nothing.
        { "KDE", "konsole",
            { { "config/kdeglobals", "[General]\nTerminalApplication=wezterm\nTerminalService=wezterm.desktop\n" } } },
        { "ubuntu:GNOME", "gnome-terminal",
            { { "config/xdg-terminals.list", "ghostty.desktop\n" },
                { "data/applications/ghostty.desktop", ghosttyEntry } } },
    };
    // The helper looks for the terminals on its PATH and asks the session for its desktop. The
    // front end was itself started from a terminal window, whose names must not reach the new one.
    const std::string ownPath = std::getenv("PATH");
    const char* ownHome = std::getenv("HOME");
    const std::string savedHome = ownHome ? ownHome : "";
    setenv("WINDOWID", "4194318", 1);
    setenv("KONSOLE_DBUS_WINDOW", "/Windows/1", 1);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (root / "config-dirs").c_str(), 1);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("XDG_DATA_DIRS", (root / "data-dirs").c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.desktop + " " + c.terminal + (c.settings.empty() ? "" : " with " + c.settings[0].first));
        for (const auto& [file, text] : c.settings) {
            fs::create_directories((root / file).parent_path());
            std::ofstream(root / file) << text;
        }
        const std::string casePath = c.haveTerminalExec ? path + ":" + terminalExec.string() : path;
        setenv("PATH", casePath.c_str(), 1);
        setenv("XDG_CURRENT_DESKTOP", c.desktop.c_str(), 1);
        launcher(casePath);
        ASSERT_EQ(launch(image), LaunchResult::Started);
        const std::vector<Record> terminal = records("terminal");
        const std::vector<Record> converter = records("converter");
        ASSERT_EQ(terminal.size(), 1U);
        ASSERT_EQ(converter.size(), 1U);
        EXPECT_EQ(terminal[0].argv.at(0), c.terminal);
        EXPECT_EQ(terminal[0].number("sid"), terminal[0].number("pid"));
        EXPECT_EQ(converter[0].argv, (std::vector<std::string> { "zoraven", "-n", image }));
        EXPECT_EQ(converter[0].fields.at("exe"), converterFile.string());
        EXPECT_EQ(converter[0].number("ppid"), terminal[0].number("pid")) << "not run by the helper in the window";
        EXPECT_EQ(terminal[0].fields.at("window"), "-") << "the front end's own window named to the terminal";
        if (c.terminal == "konsole") {
            // What crosses the terminal is plain ASCII; the title is made safe to show.
            const std::vector<std::string>& argv = terminal[0].argv;
            ASSERT_EQ(argv.size(), 12U);
            EXPECT_EQ(std::vector(argv.begin(), argv.begin() + 5),
                (std::vector<std::string> {
                    "konsole", "-p", "tabtitle=%w", "-e", (own() / "zoraven-console").string() }));
            EXPECT_TRUE(argv[5].starts_with("--claim=/"));
            EXPECT_EQ(std::vector(argv.begin() + 6, argv.end()),
                (std::vector<std::string> { "--maximize", encodeArgument("zoraven -n " + image),
                    encodeArgument(converterFile.string()), "zoraven", "%2Dn", encodeArgument(image) }));
        }
        if (c.terminal == "gnome-terminal") {
            EXPECT_EQ(terminal[0].argv.at(4), "zoraven -n /img/My \"Images\"/$(x) ;&|\\xFF.iso");
        }
        if (c.terminal == "qterminal") {
            EXPECT_TRUE(isPlainWord(terminal[0].argv.at(2))) << "a path that it could cut: " << terminal[0].argv.at(2);
        }
        if (c.terminal == "kitty") {
            EXPECT_EQ(terminal[0].argv.at(1), "--start-as=maximized") << "not kitty's own row";
        }
        // Through xdg-terminal-exec, into a terminal whose ways are unknown: plain words only,
        // and the helper maximizes the window.
        const std::vector<Record> chooser = records("chooser", c.haveTerminalExec ? 1 : 0);
        EXPECT_EQ(chooser.size(), c.terminal == "ghostty" ? 1U : 0U);
        if (c.terminal == "ghostty") {
            const std::vector<std::string>& argv = terminal[0].argv;
            ASSERT_GE(argv.size(), 5U);
            EXPECT_EQ(chooser.at(0).argv.at(1), "--");
            EXPECT_EQ(argv[1], "-e");
            EXPECT_TRUE(std::all_of(argv.begin() + 2, argv.end(), [](const std::string& word) {
                return !word.empty()
                    && std::all_of(word.begin(), word.end(), [](char ch) { return ch > ' ' && ch < 0x7F; })
                    && word.find_first_of("\"'\\$`") == std::string::npos;
            })) << argv[2];
            EXPECT_EQ(argv[argv.size() - 6], "--maximize");
            EXPECT_EQ(converter[0].fields.at("configdirs"), (root / "config-dirs").string());
        }
        reapAll();
        clearRecords();
        for (const fs::path& folder : { config, data })
            fs::remove_all(folder);
    }

    // A missing converter is found missing before any terminal opens.
    fs::remove(converterFile);
    EXPECT_EQ(launch(image), LaunchResult::NotFound);
    EXPECT_TRUE(fs::is_empty(logs()));
    setenv("PATH", ownPath.c_str(), 1);
    if (ownHome)
        setenv("HOME", savedHome.c_str(), 1);
    for (const char* name : { "WINDOWID", "KONSOLE_DBUS_WINDOW", "XDG_CURRENT_DESKTOP", "XDG_CONFIG_HOME",
             "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS" })
        unsetenv(name);
}

// Whatever the terminal does, whatever the session lacks, and even when the front end is gone
// right after the click, the converter runs once: in the terminal's window when the helper comes up
// there, else in the next terminal's, else without a window. A window that comes up too late says
// where it runs instead. Bursts of clicks (a stuck mouse button) start as many helpers at once, and
// still run the converter once per click. Nothing of it reaches the front end's standard output
// or error. The rows run side by side, each in a folder of its own.
TEST_F(LaunchTest, OneClickRunsTheConverterOnce)
{
    install(bin(), "zoraven");
    fs::copy_file(CONSOLE_HELPER, own() / "zoraven-console");
    for (const char* terminal : { "xterm", "konsole" })
        install(terminals(), terminal);
    prctl(PR_SET_CHILD_SUBREAPER, 1);

    struct Case {
        std::string what;
        std::string exit; // konsole ends at once with this status, without running anything
        std::string delay; // ms until konsole runs its command (with `exit`, in a process it leaves behind)
        std::string path; // where terminals are looked for
        std::string runtime; // XDG_RUNTIME_DIR: "folder", "missing" or "file"
        std::string runsIn; // the terminals whose windows may run the converter, by '|'; empty: none
        std::string lateWindowSays; // what a window that came too late said; empty: there was none
        int clicks = 1;
    };
    const std::string both = terminals().string() + ":" + bin().string();
    const std::string lateSay
        = "This window came up too late for its conversion, which runs in another window, in xterm.";
    const Case cases[] = {
        { "fails with status 10", "10", "", both, "folder", "xterm", "" },
        { "ends with status 0", "0", "", both, "folder", "xterm", "" },
        { "slow: the helper comes up after 6 s", "", "6000", both, "folder", "konsole", "" },
        { "hands over, and the helper comes up after 6 s", "0", "6000", both, "folder", "konsole", "" },
        { "hands over, and the helper comes up after 13 s", "0", "13000", both, "folder", "xterm", lateSay },
        { "fails, and is the only one", "10", "", terminals().string() + "/konsole:" + bin().string(), "folder", "",
            "" },
        { "XDG_RUNTIME_DIR names no folder", "10", "", both, "missing", "xterm", "" },
        { "XDG_RUNTIME_DIR is a file", "10", "", both, "file", "xterm", "" },
        { "a burst of clicks, no terminal", "", "", bin().string(), "folder", "", "", 150 },
        { "a burst of clicks, terminals that come up at once", "", "", both, "folder", "konsole", "", 150 },
        // The helpers come up just as the launchers give up on them: either may win each claim.
        { "a burst of clicks, konsole hands over, the helper comes up at the start limit", "0", "10000", both, "folder",
            "konsole|xterm", lateSay, 150 },
    };
    const auto rowFolder = [this](std::size_t row) { return root / ("row-" + std::to_string(row)); };
    std::set<pid_t> frontEnds;
    for (std::size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        const fs::path folder = rowFolder(row);
        for (const char* dir : { "logs", "runtime", "tmp" })
            fs::create_directories(folder / dir);
        for (int click = 0; click < c.clicks; ++click) {
            // The front end is closed right after the click.
            const pid_t frontEnd = fork();
            ASSERT_GE(frontEnd, 0);
            if (frontEnd != 0) {
                frontEnds.insert(frontEnd);
                continue;
            }
            const fs::path runtime = c.runtime == "folder" ? folder / "runtime" : folder / "no-runtime";
            if (c.runtime == "file")
                std::ofstream(runtime) << "not a folder\n";
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            setenv("TMPDIR", (folder / "tmp").c_str(), 1);
            setenv("ZORAVEN_FAKE_LOG_DIR", (folder / "logs").c_str(), 1);
            setenv("ZORAVEN_FAKE_ODD_TERMINAL", "konsole", 1);
            setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
            // No terminal that the user chose comes first.
            for (const char* base : { "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS" })
                setenv(base, (folder / "no-settings").c_str(), 1);
            setenv("PATH", c.path.c_str(), 1);
            if (!c.exit.empty())
                setenv("ZORAVEN_FAKE_TERMINAL_EXIT", c.exit.c_str(), 1);
            if (!c.delay.empty())
                setenv("ZORAVEN_FAKE_TERMINAL_DELAY_MS", c.delay.c_str(), 1);
            // The front end's output and errors, a desktop session's log.
            const int log = open((folder / "front-end.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            DetachedSpawn programs;
            ConverterLauncher launcher(programs, { own().string(), c.path });
            _exit(launcher.start(*converterCommand(" -p ", "/img/disc.iso")) == LaunchResult::Started ? 0 : 1);
        }
    }
    // Everything the rows started comes back to this process once orphaned: the clicks are
    // settled when all of it has ended.
    const auto deadline = std::chrono::steady_clock::now() + 90s;
    int status = 0;
    pid_t ended = 0;
    int failedClicks = 0;
    while ((ended = waitpid(-1, &status, WNOHANG)) >= 0 && std::chrono::steady_clock::now() < deadline) {
        if (ended == 0)
            std::this_thread::sleep_for(10ms);
        else if (frontEnds.contains(ended) && (!WIFEXITED(status) || WEXITSTATUS(status) != 0))
            ++failedClicks;
    }
    ASSERT_EQ(errno, ECHILD) << "still running after 90 s";
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_EQ(failedClicks, 0) << "clicks whose launch failed";

    for (std::size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(c.what);
        const fs::path logs = rowFolder(row) / "logs";
        const std::vector<Record> converters = records("converter", static_cast<std::size_t>(c.clicks), logs);
        ASSERT_EQ(converters.size(), static_cast<std::size_t>(c.clicks));
        std::map<long, std::string> terminalOf; // pid: the terminal that runs it
        std::vector<Record> lateWindows = records("late", 0, logs);
        for (const std::string role : { "terminal", "late" }) {
            for (const Record& terminal : records(role, 0, logs))
                terminalOf[terminal.number("pid")] = terminal.argv.at(0);
        }
        std::size_t lateRuns = 0;
        for (const Record& converter : converters) {
            EXPECT_EQ(converter.argv, (std::vector<std::string> { "zoraven", "-p", "/img/disc.iso" }));
            const auto runsIn = terminalOf.find(converter.number("ppid"));
            const std::string terminal = runsIn == terminalOf.end() ? std::string() : runsIn->second;
            EXPECT_TRUE(terminal == c.runsIn || ("|" + c.runsIn + "|").find("|" + terminal + "|") != std::string::npos)
                << "ran in " << (terminal.empty() ? "no terminal" : terminal);
            lateRuns += std::count_if(lateWindows.begin(), lateWindows.end(),
                [&](const Record& late) { return late.number("pid") == converter.number("ppid"); });
        }
        // What each late window that did not run its conversion showed, and that it waited for
        // Enter like every window of ours.
        std::size_t saidTooLate = 0;
        for (const Record& late : lateWindows) {
            std::ifstream in(logs / ("output-" + late.fields.at("pid") + "-" + late.fields.at("mono")));
            std::stringstream text;
            text << in.rdbuf();
            if (text.str().find("too late") == std::string::npos)
                continue;
            ++saidTooLate;
            EXPECT_EQ(text.str(), c.lateWindowSays + "\nPress Enter to close this window.");
        }
        EXPECT_EQ(saidTooLate + lateRuns, lateWindows.size());
        if (c.lateWindowSays.empty() || c.clicks == 1) {
            EXPECT_EQ(saidTooLate, c.lateWindowSays.empty() ? 0U : 1U);
        }
        std::ifstream frontEndLog(rowFolder(row) / "front-end.log");
        std::stringstream frontEndOutput;
        frontEndOutput << frontEndLog.rdbuf();
        EXPECT_EQ(frontEndOutput.str(), "") << "on the front end's output and errors";
        // The run had a claim, wherever it could be made, and left none behind.
        const fs::path claims = rowFolder(row) / (c.runtime == "folder" ? "runtime" : "tmp");
        for (const Record& terminal : records("terminal", 0, logs)) {
            const auto claim = std::find_if(terminal.argv.begin(), terminal.argv.end(),
                [](const std::string& argument) { return argument.starts_with("--claim="); });
            ASSERT_NE(claim, terminal.argv.end()) << "a terminal tried without a claim";
            // Whatever a terminal passes on to the program in it stays out of the front end's output.
            EXPECT_TRUE(terminal.fields.at("std").starts_with("/dev/null,/dev/null,")) << terminal.fields.at("std");
            EXPECT_TRUE(claim->starts_with("--claim=" + encodeArgument(claims.string() + "/"))) << *claim;
        }
        EXPECT_TRUE(fs::is_empty(rowFolder(row) / "runtime")) << "the run's claims were left behind";
        EXPECT_TRUE(fs::is_empty(rowFolder(row) / "tmp")) << "the run's claims were left behind";
    }
}

// The console helper in a pseudo-terminal, as a terminal window runs it.
TEST_F(LaunchTest, ConsoleHelperRunsTheConverterSaysHowItEndedAndClosesOnEnter)
{
    install(bin(), "zoraven");
    const std::string image = "/img/\x1b[31mred\xc2\x9b\x07\n.iso";
    struct Case {
        std::string what;
        std::string converter;
        std::vector<std::pair<const char*, const char*>> environment;
        std::string endLine;
        bool interrupt = false;
        bool closeWindow = false;
        bool startedIgnoringSignals = false; // as by a launcher that ignores SIGCHLD and SIGINT
    };
    const std::vector<Case> cases = {
        { "success", bin() / "zoraven", {}, "Conversion finished successfully." },
        { "failure", bin() / "zoraven", { { "ZORAVEN_FAKE_EXIT", "3" } },
            "Conversion failed: zoraven exited with status 3." },
        { "signal", bin() / "zoraven", { { "ZORAVEN_FAKE_SIGNAL", "15" } },
            "Conversion stopped: zoraven was ended by signal SIGTERM (Terminated)." },
        { "cannot start", root / "missing", {},
            "Conversion not started: zoraven could not be started (No such file or directory)." },
        { "Ctrl+C", bin() / "zoraven", { { "ZORAVEN_FAKE_DELAY_MS", "20000" } },
            "Conversion stopped: zoraven was ended by signal SIGINT (Interrupt).", true },
        { "window closed", bin() / "zoraven", { { "ZORAVEN_FAKE_DELAY_MS", "20000" } }, "", false, true },
        { "started with signals ignored", bin() / "zoraven", { { "ZORAVEN_FAKE_EXIT", "3" } },
            "Conversion failed: zoraven exited with status 3.", false, false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& [name, value] : c.environment)
            setenv(name, value, 1);
        const std::vector<std::string> arguments
            = consoleArguments("zoraven -n " + image, c.converter, { "zoraven", "-n", image });
        int master = -1;
        const pid_t helper = forkpty(&master, nullptr, nullptr, nullptr);
        ASSERT_GE(helper, 0);
        if (helper == 0) {
            std::vector<char*> argv { const_cast<char*>(CONSOLE_HELPER) };
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            if (c.startedIgnoringSignals) {
                for (const int ignored : { SIGCHLD, SIGINT, SIGTERM })
                    std::signal(ignored, SIG_IGN);
            }
            execv(CONSOLE_HELPER, argv.data());
            _exit(127);
        }
        for (const auto& [name, value] : c.environment)
            unsetenv(name);

        std::string output;
        const auto readUntil = [&](std::string_view marker) {
            const auto deadline = std::chrono::steady_clock::now() + 10s;
            while (output.find(marker) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
                pollfd ready { master, POLLIN, 0 };
                std::array<char, 512> buffer {};
                if (poll(&ready, 1, 100) > 0) {
                    const ssize_t got = read(master, buffer.data(), buffer.size());
                    if (got <= 0)
                        break;
                    output.append(buffer.data(), static_cast<std::size_t>(got));
                }
            }
            return output.find(marker) != std::string::npos;
        };
        const auto converterPid = [&] {
            std::ifstream children("/proc/" + std::to_string(helper) + "/task/" + std::to_string(helper) + "/children");
            long pid = 0;
            for (int i = 0; i < 500 && !(children >> pid); ++i) {
                std::this_thread::sleep_for(10ms);
                children.clear();
                children.seekg(0);
            }
            return static_cast<pid_t>(pid);
        };

        int status = -1;
        if (c.closeWindow) {
            const pid_t converter = converterPid();
            ASSERT_GT(converter, 0);
            close(master);
            ASSERT_EQ(waitpid(helper, &status, 0), helper);
            bool gone = false;
            for (int i = 0; i < 500 && !gone; ++i) {
                std::ifstream stat("/proc/" + std::to_string(converter) + "/stat");
                std::string line;
                gone = !std::getline(stat, line) || line.substr(line.rfind(')') + 2, 1) == "Z";
                std::this_thread::sleep_for(10ms);
            }
            EXPECT_TRUE(gone) << "the converter runs on after its window was closed";
            continue;
        }
        if (c.interrupt) {
            ASSERT_GT(converterPid(), 0);
            ASSERT_EQ(write(master, "\x03", 1), 1);
        }
        EXPECT_TRUE(readUntil("Press Enter to close this window.")) << output;
        EXPECT_NE(output.find(c.endLine), std::string::npos) << output;
        // The title is set first; after it, nothing from the path reaches the terminal raw.
        ASSERT_TRUE(output.starts_with("\x1b]0;zoraven -n /img/\\x1B[31mred\\xC2\\x9B\\x07\\x0A.iso\x07")) << output;
        const std::string shown = output.substr(output.find('\x07') + 1);
        EXPECT_TRUE(std::none_of(shown.begin(), shown.end(), [](char ch) { return ch == '\x1b' || ch == '\x07'; }));
        EXPECT_EQ(shown.find("\xc2\x9b"), std::string::npos);

        // Enter closes the window, also when the converter was stopped with Ctrl+C.
        ASSERT_EQ(write(master, "\r", 1), 1);
        ASSERT_EQ(waitpid(helper, &status, 0), helper);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        close(master);
        if (c.what == "success") {
            EXPECT_EQ(records("converter").at(0).argv, (std::vector<std::string> { "zoraven", "-n", image }));
        }
        clearRecords();
    }
}

TEST(TerminalPassage, EveryByteCrossesAsPlainAsciiAndComesBack)
{
    std::string everyByte;
    for (int byte = 1; byte < 256; ++byte)
        everyByte += static_cast<char>(byte);
    std::vector<std::string> texts { everyByte, "-n", "--", "", "%41" };
    for (int byte = 1; byte < 256; ++byte)
        texts.emplace_back(1, static_cast<char>(byte));
    for (const std::string& text : texts) {
        const std::string encoded = encodeArgument(text);
        SCOPED_TRACE(encoded);
        EXPECT_TRUE(std::all_of(encoded.begin(), encoded.end(), [](char c) { return c > ' ' && c < 0x7F; }));
        EXPECT_FALSE(encoded.starts_with('-')) << "a terminal could take it for an option";
        EXPECT_EQ(decodeArgument(encoded), text);
    }
    for (const char* forged : { "%", "%4", "%GG", "%4g", "%00", "a b", "a\"b", "caf\xc3\xa9" })
        EXPECT_FALSE(decodeArgument(forged)) << forged;
}

TEST(TerminalPassage, TextShownOnATerminalCarriesNoControlCharacter)
{
    struct Case {
        std::string text;
        bool utf8;
        std::string shown;
    };
    const Case cases[] = {
        { "zoraven -n /img/My Images/disc.iso", true, "zoraven -n /img/My Images/disc.iso" },
        { "caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x92\xbf", true, "caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x92\xbf" },
        { "a\x1b]0;pwned\x07z", true, "a\\x1B]0;pwned\\x07z" },
        { "new\nline\ttab\r\x7f", true, "new\\x0Aline\\x09tab\\x0D\\x7F" },
        { "c1 \xc2\x9b"
          "31m \xc2\x85",
            true, "c1 \\xC2\\x9B31m \\xC2\\x85" },
        { "bad \xff\xfe \xc3 \xe0\x80\xaf \xed\xa0\x80 \xf4\x90\x80\x80", true,
            "bad \\xFF\\xFE \\xC3 \\xE0\\x80\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80" },
        { "caf\xc3\xa9\x9b", false, "caf\\xC3\\xA9\\x9B" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(displayText(c.text, c.utf8), c.shown);
        EXPECT_TRUE(isValidUtf8(displayText(c.text, c.utf8)));
    }
}

} // namespace
} // namespace zoraven
