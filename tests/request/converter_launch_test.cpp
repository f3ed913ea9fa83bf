// Real launches of a fake converter (fake_converter.cpp) copied into temporary directories.
#include "converter_launch.h"

#include <gtest/gtest.h>

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
    fs::path own() const { return root / "own"; }
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

TEST_F(LaunchTest, RunsInsideTheFirstInstalledTerminalWithArgvUntouched)
{
    install(bin(), "zoraven");
    install(terminals(), "xfce4-terminal");
    const std::string path = terminals().string() + ":" + bin().string();
    const std::string image = "/img/My \"Images\"/$(x) ;&|.iso";
    const fs::path converterFile = bin() / "zoraven";

    launcher(path, kTerminals);
    ASSERT_EQ(launch(image), LaunchResult::Started);
    std::vector<Record> terminal = records("terminal");
    std::vector<Record> converter = records("converter");
    ASSERT_EQ(terminal.size(), 1U);
    ASSERT_EQ(converter.size(), 1U);
    EXPECT_EQ(terminal[0].argv,
        (std::vector<std::string> {
            "xfce4-terminal", "--maximize", "--hold", "-T", "zoraven -n " + image, "-x", converterFile, "-n", image }));
    EXPECT_EQ(terminal[0].number("sid"), terminal[0].number("pid"));
    EXPECT_EQ(converter[0].argv, (std::vector<std::string> { converterFile, "-n", image }));

    // xterm comes first when both are there.
    clearRecords();
    install(terminals(), "xterm");
    ASSERT_EQ(launch(image), LaunchResult::Started);
    terminal = records("terminal");
    ASSERT_EQ(terminal.size(), 1U);
    EXPECT_EQ(terminal[0].argv,
        (std::vector<std::string> {
            "xterm", "-maximized", "-hold", "-T", "zoraven -n " + image, "-e", converterFile, "-n", image }));
    EXPECT_EQ(records("converter").at(0).argv.at(2), image);

    // A missing converter is found missing before any terminal opens.
    clearRecords();
    fs::remove(converterFile);
    EXPECT_EQ(launch(image), LaunchResult::NotFound);
    EXPECT_TRUE(fs::is_empty(logs()));
}

} // namespace
} // namespace zoraven
