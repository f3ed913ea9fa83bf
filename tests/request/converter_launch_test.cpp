// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The front end's launch: the converter found and started directly, as where the console helper
// is not installed. Real launches of a fake converter (fake_converter.cpp).
#include "launch_fixture.h"

#include <csignal>
#include <functional>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>

namespace zoraven {
namespace {

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
        DetachedSpawn programs;
        ConverterLauncher launcher(programs, { own().string(), bin().string() });
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
        DetachedSpawn programs;
        ConverterLauncher launcher(programs, { own().string(), bin().string() });
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

} // namespace
} // namespace zoraven
