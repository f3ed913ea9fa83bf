// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Real launches of a fake converter (fake_converter.cpp) copied into temporary directories.
#include "converter_launch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace zoraven {
namespace {

struct Record {
    std::map<std::string, std::string> fields;
    std::vector<std::string> argv;
    long number(const std::string& key) const { return std::stol(fields.at(key)); }
};

Record readRecord(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    const std::size_t argvStart = text.find("\nargv\n");
    Record record;
    std::istringstream header(text.substr(0, argvStart));
    for (std::string line; std::getline(header, line);) {
        const std::size_t blank = line.find(' ');
        record.fields[line.substr(0, blank)] = line.substr(blank + 1);
    }
    std::size_t at = argvStart + 6;
    while (at < text.size()) {
        const std::size_t end = text.find('\0', at);
        record.argv.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return record;
}

class LaunchTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zoraven-launch-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        for (const fs::path& dir : { logs(), own(), bin(), terminals() })
            fs::create_directory(dir);
        setenv("ZORAVEN_FAKE_LOG_DIR", logs().c_str(), 1);
        unsetenv("ZORAVEN_FAKE_DELAY_MS");
    }

    void TearDown() override
    {
        reapAll();
        fs::remove_all(root);
    }

    fs::path logs() const { return root / "logs"; }
    // Where the front end and its helper are installed: a folder with a blank and a quote.
    fs::path own() const { return root / "my 'own' apps"; }
    fs::path bin() const { return root / "bin"; }
    fs::path terminals() const { return root / "terminals"; }

    static void install(const fs::path& dir, const std::string& name)
    {
        fs::copy_file(FAKE_CONVERTER, dir / name, fs::copy_options::overwrite_existing);
        fs::permissions(dir / name, fs::perms(0755));
    }

    ConverterLauncher& launcher(std::string path = {}, std::span<const Terminal> terms = {})
    {
        if (path.empty())
            path = bin().string();
        m_launcher.emplace(SearchPlaces { own().string(), path }, terms);
        return *m_launcher;
    }

    LaunchResult launch(const ImagePath& path, std::string_view flag = " -n ")
    {
        return m_launcher->start(*converterCommand(flag, path));
    }

    // Waits until `count` records of `role` exist; returns them.
    std::vector<Record> records(const std::string& role, std::size_t count = 1)
    {
        std::vector<Record> found;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            found.clear();
            for (const fs::directory_entry& entry : fs::directory_iterator(logs())) {
                if (entry.path().filename().string().starts_with(role + "-"))
                    found.push_back(readRecord(entry.path()));
            }
            if (found.size() >= count)
                break;
            std::this_thread::sleep_for(5ms);
        }
        return found;
    }

    void clearRecords()
    {
        for (const fs::directory_entry& entry : fs::directory_iterator(logs()))
            fs::remove(entry.path());
    }

    // Pumps the reaper as an event loop would, until every child has been collected.
    void reapAll()
    {
        if (!m_launcher)
            return;
        ChildReaper& reaper = m_launcher->reaper();
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (reaper.pending() > 0 && std::chrono::steady_clock::now() < deadline) {
            pollfd ready { reaper.notifyFd(), POLLIN, 0 };
            poll(&ready, 1, 100);
            reaper.reapFinished();
        }
        EXPECT_EQ(reaper.pending(), 0U);
    }

    fs::path root;
    std::optional<ConverterLauncher> m_launcher;
};

int zombieChildren()
{
    int zombies = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // pid (comm) state ppid ...; comm may hold blanks, so read after the last ')'.
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        char state = 0;
        pid_t ppid = 0;
        rest >> state >> ppid;
        if (state == 'Z' && ppid == getpid())
            ++zombies;
    }
    return zombies;
}

TEST_F(LaunchTest, HostileFileNamesReachTheConverterByteForByte)
{
    install(bin(), "zoraven");
    launcher();
    const std::vector<std::string> names = {
        "/img/My Images/disc one.iso",
        "/img/it's \"quoted\".bin",
        "/img/$(touch pwned).bin",
        "/img/`touch pwned`.iso",
        "/img/a;b|c&d.bin",
        "/img/*?~[x].iso",
        "-rf /",
        "--help",
        "/img/tab\there.bin",
        "/img/new\nline.iso",
        "/img/caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac.iso",
        "/img/not utf-8 \xff\xfe.bin",
        "/" + std::string(3000, 'x') + ".bin",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name.substr(0, 60));
        ASSERT_EQ(launch(name, " -p "), LaunchResult::Started);
        const std::vector<Record> found = records("converter");
        ASSERT_EQ(found.size(), 1U);
        EXPECT_EQ(found[0].argv, (std::vector<std::string> { "zoraven", "-p", name }));
        clearRecords();
    }
    EXPECT_FALSE(fs::exists("pwned"));
}

TEST_F(LaunchTest, ConverterRunsDetachedWithACleanSlate)
{
    install(bin(), "zoraven");
    launcher();

    // State of the front end that must not leak into the converter.
    const int leaky = open("/dev/null", O_RDONLY); // no O_CLOEXEC
    ASSERT_GE(leaky, 3);
    sigset_t block;
    sigset_t previous;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR1);
    sigprocmask(SIG_BLOCK, &block, &previous);
    const auto oldHandler = signal(SIGUSR2, SIG_IGN);

    const auto before = std::chrono::steady_clock::now();
    const LaunchResult result = launch("/img/disc.bin");
    const auto spent = std::chrono::steady_clock::now() - before;

    sigprocmask(SIG_SETMASK, &previous, nullptr);
    signal(SIGUSR2, oldHandler);
    close(leaky);

    ASSERT_EQ(result, LaunchResult::Started);
    const std::vector<Record> found = records("converter");
    ASSERT_EQ(found.size(), 1U);
    const Record& converter = found[0];
    EXPECT_EQ(converter.fields.at("fds"), "0,1,2");
    EXPECT_EQ(converter.number("blocked"), 0);
    EXPECT_EQ(converter.number("ignored"), 0);
    EXPECT_EQ(converter.number("sid"), converter.number("pid")) << "a session of its own";
    EXPECT_NE(converter.number("sid"), getsid(0));
    // Generous: the converter sleeps for nothing here, but a call that waited for it would
    // take as long as the converter runs.
    EXPECT_LT(spent, 2s);
}

TEST_F(LaunchTest, ConverterBesideTheFrontEndWinsOverPath)
{
    install(own(), "zoraven");
    install(bin(), "zoraven");
    launcher();
    ASSERT_EQ(launch("/img/disc.bin"), LaunchResult::Started);
    EXPECT_EQ(records("converter").at(0).fields.at("exe"), (own() / "zoraven").string());
}

TEST_F(LaunchTest, OnlyRegularExecutableFilesOnAbsoluteSearchDirectoriesCount)
{
    const fs::path cwd = fs::current_path();
    const fs::path elsewhere = root / "elsewhere";
    fs::create_directory(elsewhere);
    struct Case {
        std::string what;
        std::function<void()> plant;
        std::string path;
    };
    const std::vector<Case> cases = {
        { "nothing anywhere", [] {}, bin().string() },
        { "a directory", [&] { fs::create_directory(bin() / "zoraven"); }, bin().string() },
        { "a file without the execute bit",
            [&] {
                install(bin(), "zoraven");
                fs::permissions(bin() / "zoraven", fs::perms(0644));
            },
            bin().string() },
        { "a dangling link", [&] { fs::create_symlink(root / "gone", bin() / "zoraven"); }, bin().string() },
        { "only in the current directory",
            [&] {
                install(elsewhere, "zoraven");
                fs::current_path(elsewhere);
            },
            ":.:bin:" + bin().string() + "::" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(bin() / "zoraven");
        c.plant();
        launcher(c.path);
        EXPECT_EQ(launch("/img/disc.bin"), LaunchResult::NotFound);
        fs::current_path(cwd);
    }
    EXPECT_TRUE(fs::is_empty(logs()));
}

TEST_F(LaunchTest, AFoundConverterThatCannotStartIsAnotherFailure)
{
    std::ofstream(bin() / "zoraven") << "#!/nonexistent/interpreter\n";
    fs::permissions(bin() / "zoraven", fs::perms(0755));
    launcher();
    EXPECT_EQ(launch("/img/disc.bin"), LaunchResult::Failed);
}

TEST_F(LaunchTest, ManyLaunchesLeaveNoZombie)
{
    install(bin(), "zoraven");
    launcher();
    constexpr int launches = 60;
    for (int i = 0; i < launches; ++i)
        ASSERT_EQ(launch("/img/disc" + std::to_string(i) + ".bin"), LaunchResult::Started);
    EXPECT_EQ(records("converter", launches).size(), std::size_t { launches });
    reapAll();
    EXPECT_EQ(zombieChildren(), 0);
}

TEST_F(LaunchTest, ConverterOutlivesTheProcessThatStartedIt)
{
    install(bin(), "zoraven");
    setenv("ZORAVEN_FAKE_DELAY_MS", "300", 1);
    // Orphans come back to this process, as they would to a desktop session's manager,
    // so that the test can collect the converter once it is done.
    prctl(PR_SET_CHILD_SUBREAPER, 1);

    const pid_t frontEnd = fork();
    ASSERT_GE(frontEnd, 0);
    if (frontEnd == 0) {
        ConverterLauncher launcher({ own().string(), bin().string() }, {});
        _exit(launcher.start(*converterCommand(" -p ", "/img/disc.iso")) == LaunchResult::Started ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(frontEnd, &status, 0), frontEnd);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(fs::is_empty(logs())) << "the converter is still at work when its starter has gone";

    const std::vector<Record> found = records("converter");
    ASSERT_EQ(found.size(), 1U);
    EXPECT_EQ(found[0].argv[2], "/img/disc.iso");
    waitpid(static_cast<pid_t>(found[0].number("pid")), nullptr, 0);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

TEST_F(LaunchTest, RunsInTheDesktopsOwnTerminalElseTheFirstInstalledThroughTheConsoleHelper)
{
    install(bin(), "zoraven");
    fs::copy_file(CONSOLE_HELPER, own() / "zoraven-console");
    for (const char* terminal : { "xterm", "konsole", "gnome-terminal", "qterminal" })
        install(terminals(), terminal);
    const std::string path = terminals().string() + ":" + bin().string();
    const std::string image = "/img/My \"Images\"/$(x) ;&|\xff.iso";
    const fs::path converterFile = bin() / "zoraven";

    struct Case {
        std::string desktop;
        std::string terminal;
    };
    const Case cases[] = {
        { "KDE", "konsole" },
        { "ubuntu:GNOME", "gnome-terminal" },
        { "X-Cinnamon:Unknown", "gnome-terminal" },
        { "LXQt", "qterminal" }, // splits its command at blanks
        { "XFCE", "xterm" }, // its own is not installed
        { "", "xterm" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.desktop);
        m_launcher.emplace(SearchPlaces { own().string(), path }, kTerminals, c.desktop);
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
        reapAll();
        clearRecords();
    }

    // A missing converter is found missing before any terminal opens.
    fs::remove(converterFile);
    EXPECT_EQ(launch(image), LaunchResult::NotFound);
    EXPECT_TRUE(fs::is_empty(logs()));
}

// Whatever the terminal does, and even when the front end is gone right after the click, the
// converter runs once: in the terminal's window when the helper comes up there, else in the
// next terminal's, else without a window.
TEST_F(LaunchTest, OneClickRunsTheConverterOnce)
{
    install(bin(), "zoraven");
    fs::copy_file(CONSOLE_HELPER, own() / "zoraven-console");
    for (const char* terminal : { "xterm", "konsole" })
        install(terminals(), terminal);
    const fs::path runtime = root / "runtime";
    fs::create_directory(runtime);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    prctl(PR_SET_CHILD_SUBREAPER, 1);

    struct Case {
        std::string what;
        std::string exit; // how konsole ends at once, without running anything
        std::string delay; // ms until its command runs
        std::string path; // where terminals are looked for
        std::string runsIn; // the terminal whose window runs the converter; empty: none
    };
    const std::string both = terminals().string() + ":" + bin().string();
    const Case cases[] = {
        { "fails with status 10", "10", "", both, "xterm" },
        { "ends with status 0", "0", "", both, "xterm" },
        { "slow: the helper comes up after 6 s", "", "6000", both, "konsole" },
        { "hands over to a process whose helper comes up after 6 s", "0", "6000", both, "xterm" },
        { "fails, and is the only one", "10", "", terminals().string() + "/konsole:" + bin().string(), "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setenv("ZORAVEN_FAKE_ODD_TERMINAL", "konsole", 1);
        for (const auto& [name, value] : { std::pair { "ZORAVEN_FAKE_TERMINAL_EXIT", c.exit },
                 std::pair { "ZORAVEN_FAKE_TERMINAL_DELAY_MS", c.delay } }) {
            if (value.empty())
                unsetenv(name);
            else
                setenv(name, value.c_str(), 1);
        }
        // The front end is closed right after the click.
        const pid_t frontEnd = fork();
        ASSERT_GE(frontEnd, 0);
        if (frontEnd == 0) {
            ConverterLauncher launcher({ own().string(), c.path }, kTerminals, "KDE");
            _exit(launcher.start(*converterCommand(" -p ", "/img/disc.iso")) == LaunchResult::Started ? 0 : 1);
        }
        // Everything it started comes back to this process once orphaned: the click is settled
        // when all of it has ended.
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        int status = 0;
        pid_t ended = 0;
        while ((ended = waitpid(-1, &status, WNOHANG)) >= 0 && std::chrono::steady_clock::now() < deadline) {
            if (ended == frontEnd) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            }
            if (ended == 0)
                std::this_thread::sleep_for(10ms);
        }
        ASSERT_EQ(errno, ECHILD) << "still running after 30 s";

        const std::vector<Record> converters = records("converter");
        ASSERT_EQ(converters.size(), 1U);
        EXPECT_EQ(converters[0].argv, (std::vector<std::string> { "zoraven", "-p", "/img/disc.iso" }));
        std::string runsIn;
        for (const Record& terminal : records("terminal", 0)) {
            if (terminal.number("pid") == converters[0].number("ppid"))
                runsIn = terminal.argv.at(0);
        }
        EXPECT_EQ(runsIn, c.runsIn);
        EXPECT_EQ(records("late", 0).size(), c.exit.empty() || c.delay.empty() ? 0U : 1U);
        EXPECT_TRUE(fs::is_empty(runtime)) << "the run's claims were left behind";
        clearRecords();
    }
    for (const char* name :
        { "ZORAVEN_FAKE_ODD_TERMINAL", "ZORAVEN_FAKE_TERMINAL_EXIT", "ZORAVEN_FAKE_TERMINAL_DELAY_MS" })
        unsetenv(name);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

TEST_F(LaunchTest, ConverterGetsStandardStreamsEvenWhenTheFrontEndHasNone)
{
    install(bin(), "zoraven");
    const pid_t frontEnd = fork();
    ASSERT_GE(frontEnd, 0);
    if (frontEnd == 0) {
        for (const int stream : { 0, 1, 2 })
            close(stream);
        // A file of the front end's own now sits where standard input was.
        const int stray = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
        ConverterLauncher launcher({ own().string(), bin().string() }, {});
        const bool started = launcher.start(*converterCommand(" -p ", "/img/disc.iso")) == LaunchResult::Started;
        _exit(stray == 0 && started ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(frontEnd, &status, 0), frontEnd);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::vector<Record> found = records("converter");
    ASSERT_EQ(found.size(), 1U);
    EXPECT_EQ(found[0].fields.at("fds"), "0,1,2");
    EXPECT_EQ(found[0].fields.at("std"), "/dev/null,/dev/null,/dev/null");
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
