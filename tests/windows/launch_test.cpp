// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Real starts under Wine: command lines split again by both C runtimes that Windows programs are
// built on, the converter started in a console window of its own, and what the built programs
// declare of themselves.
#include "console_text.h"
#include "converter_end.h"
#include "converter_launch.h"
#include "process_start.h"
#include "windows_fixture.h"

namespace zoraven {
namespace {

// Starts `program` with the command line for `argv` and waits for it to end.
void runToEnd(const fs::path& program, const std::vector<std::wstring>& argv)
{
    std::optional<std::wstring> line = commandLineFor(argv);
    ASSERT_TRUE(line);
    STARTUPINFOW startup {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process {};
    ASSERT_TRUE(CreateProcessW(program.c_str(), line->data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
        nullptr, &startup, &process));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

class ChildTest : public TemporaryFolderTest {
protected:
    void SetUp() override
    {
        TemporaryFolderTest::SetUp();
        SetEnvironmentVariableW(L"ZORAVEN_FAKE_LOG_DIR", logs().c_str());
    }
};

TEST_F(ChildTest, BothCRuntimesSplitTheCommandLineIntoTheSameArguments)
{
    const std::pair<const char*, fs::path> runtimes[] = {
        { "msvcrt", buildFile(STAND_IN) },
        { "ucrt", buildFile(STAND_IN_UCRT) },
    };
    for (const auto& [runtime, program] : runtimes) {
        for (const std::wstring& argument : hardArguments()) {
            SCOPED_TRACE(std::string(runtime) + ": " + toUtf8(argument).substr(0, 60));
            const std::vector<std::wstring> argv { L"zoraven", L"-p", argument };
            runToEnd(program, argv);
            const std::vector<Record> found = records(1);
            ASSERT_EQ(found.size(), 1U);
            EXPECT_EQ(found[0].field("runtime"), runtime);
            EXPECT_EQ(found[0].crtArgv, argv);
            EXPECT_EQ(found[0].shellArgv, argv);
            clearRecords();
        }
    }
}

class LaunchTest : public ChildTest {
protected:
    fs::path own() const { return root / "my 'own' apps \u65e5\u672c"; }
    fs::path bin() const { return root / "bin"; }

    ConverterLauncher& launcher()
    {
        fs::create_directories(own());
        fs::create_directories(bin());
        m_launcher.emplace(m_programs, SearchPlaces { toUtf8(own().wstring()), toUtf8(bin().wstring()) });
        return *m_launcher;
    }

    NewConsoleStart m_programs;
    std::optional<ConverterLauncher> m_launcher;
};

TEST_F(LaunchTest, EveryPathReachesTheConverterInAMaximizedFocusedConsoleOfItsOwn)
{
    ConverterLauncher& start = launcher();
    fs::copy_file(buildFile(STAND_IN), own() / "zoraven.exe");
    const fs::path folder = fs::current_path();
    for (const std::wstring& path : hardArguments()) {
        if (path.empty())
            continue;
        SCOPED_TRACE(toUtf8(path).substr(0, 60));
        const std::optional<ConverterCommand> command = converterCommand(" -p ", toUtf8(path));
        ASSERT_TRUE(command);
        ASSERT_EQ(start.start(*command), LaunchResult::Started);
        const std::vector<Record> found = records(1);
        ASSERT_EQ(found.size(), 1U);
        const Record& record = found[0];
        EXPECT_EQ(record.crtArgv, (std::vector<std::wstring> { L"zoraven", L"-p", path }));
        EXPECT_EQ(record.shellArgv, record.crtArgv);
        EXPECT_EQ(toWide(record.field("exe")), (own() / "zoraven.exe").wstring());
        EXPECT_EQ(toWide(record.field("cwd")), folder.wstring());
        EXPECT_EQ(std::stoul(record.field("startup_flags")) & STARTF_USESHOWWINDOW, STARTF_USESHOWWINDOW);
        EXPECT_EQ(record.field("show_window"), std::to_string(SW_SHOWMAXIMIZED));
        // Its console window is its own: no other process is attached to it.
        EXPECT_EQ(record.field("console_processes"), "1");
        EXPECT_EQ(record.field("zoomed"), "1") << "after " << record.field("window_wait_ms") << " ms";
        EXPECT_EQ(record.field("foreground"), "1") << "after " << record.field("window_wait_ms") << " ms";
        clearRecords();
    }
}

TEST_F(LaunchTest, OnlyAProgramFileNamedByAnAbsolutePathIsStarted)
{
    NewConsoleStart programs;
    const fs::path marker = root / "batch ran";
    const fs::path batch = root / "zoraven.bat";
    std::ofstream(batch) << "echo ran > \"" << marker.string() << "\"\r\n";
    fs::copy_file(buildFile(STAND_IN), root / "zoraven.exe");
    fs::copy_file(buildFile(STAND_IN), root / "zoraven.exe.bat");
    const std::string exe = toUtf8((root / "zoraven.exe").wstring());
    struct Case {
        std::string file;
        bool started;
    };
    const fs::path folder = fs::current_path();
    fs::current_path(root);
    const Case cases[] = {
        { toUtf8(batch.wstring()), false },
        { toUtf8((root / "zoraven.exe.bat").wstring()), false },
        { "zoraven.exe", false },
        { ".\\zoraven.exe", false },
        { toUtf8((root / "missing.exe").wstring()), false },
        { exe, true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(programs.start(c.file, { "zoraven", "-n", "x" }), c.started) << c.file;
    fs::current_path(folder);
    EXPECT_EQ(records(1).size(), 1U);
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(fs::exists(marker));
}

TEST_F(LaunchTest, AConverterThatCannotStartIsAQuietFailureAndNoneFoundIsNotFound)
{
    ConverterLauncher& start = launcher();
    const ConverterCommand command = *converterCommand(" -n ", "C:\\img\\disc.bin");
    EXPECT_EQ(start.start(command), LaunchResult::NotFound);
    std::ofstream(bin() / "zoraven.bat") << "@echo off\r\n";
    EXPECT_EQ(start.start(command), LaunchResult::NotFound);
    // Found, but not a program Windows can run.
    std::ofstream(bin() / "zoraven.exe") << "not a program";
    EXPECT_EQ(start.start(command), LaunchResult::Failed);
}

TEST(ConsoleHelper, SaysHowTheConverterEnded)
{
    const std::pair<DWORD, std::string> cases[] = {
        { 0, "Conversion finished successfully." },
        { 3, "Conversion failed: zoraven exited with status 3." },
        { 0x80000003, "Conversion failed: zoraven exited with status 2147483651." },
        { 0xC000013A, "Conversion stopped: zoraven was ended by Ctrl+C." },
        { 0xC0000005, "Conversion stopped: zoraven was ended by an access violation (0xC0000005)." },
        { 0xC0000409, "Conversion stopped: zoraven was ended by a fail-fast exception (0xC0000409)." },
        { 0xC0000123, "Conversion stopped: zoraven was ended by the error 0xC0000123." },
    };
    for (const auto& [code, line] : cases)
        EXPECT_EQ(endLine(code), line) << code;
    EXPECT_EQ(startFailure(ERROR_BAD_EXE_FORMAT, L"C:\\x\\zoraven.exe").find("%1"), std::string::npos);
    EXPECT_EQ(startFailure(0xFFFFFFF0, L"x"), "error 4294967280");
}

// What win_probe, in a process of its own, writes for `arguments`.
std::string probe(const std::vector<std::wstring>& arguments)
{
    SECURITY_ATTRIBUTES inheritable { sizeof(inheritable), nullptr, TRUE };
    HANDLE reading = nullptr;
    HANDLE writing = nullptr;
    if (!CreatePipe(&reading, &writing, &inheritable, 0))
        return "<no pipe>";
    SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
    std::vector<std::wstring> argv { L"win_probe" };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::optional<std::wstring> line = commandLineFor(argv);
    STARTUPINFOW startup {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writing;
    startup.hStdError = writing;
    PROCESS_INFORMATION process {};
    const bool started = line
        && CreateProcessW(buildFile(WIN_PROBE).c_str(), line->data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
            nullptr, &startup, &process);
    CloseHandle(writing);
    std::string output;
    char chunk[4096];
    DWORD read = 0;
    while (started && ReadFile(reading, chunk, sizeof(chunk), &read, nullptr) && read > 0)
        output.append(chunk, read);
    CloseHandle(reading);
    if (started) {
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return output;
}

// The lines of the console that process `pid` is in, once one of them is `awaited`.
std::vector<std::string> consoleLines(DWORD pid, const std::string& awaited)
{
    std::vector<std::string> lines;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < deadline) {
        lines.clear();
        std::istringstream text(probe({ L"console", std::to_wstring(pid) }));
        for (std::string line; std::getline(text, line);) {
            if (line.starts_with("line "))
                lines.push_back(line.substr(5));
        }
        if (std::find(lines.begin(), lines.end(), awaited) != lines.end())
            break;
        std::this_thread::sleep_for(50ms);
    }
    return lines;
}

TEST_F(LaunchTest, TheConsoleHelperShowsTheCommandLineAsOnLinuxAndWaitsForEnter)
{
    ConverterLauncher& start = launcher();
    fs::copy_file(buildFile(STAND_IN), own() / "zoraven.exe");
    fs::copy_file(buildFile(CONSOLE_HELPER), own() / "zoraven-console.exe");
    struct Case {
        std::wstring path;
        const char* exit; // the converter's, or nothing for Ctrl+C
        std::string shown; // the command line as the window shows it
        std::string end;
    };
    const Case cases[] = {
        { L"C:\\img\\\x1b[31mred\x1b[0m.bin", "0", "zoraven -p C:\\img\\\\x1B[31mred\\x1B[0m.bin",
            "Conversion finished successfully." },
        { L"line\nfeed\ttab.iso", "3", "zoraven -p line\\x0Afeed\\x09tab.iso",
            "Conversion failed: zoraven exited with status 3." },
        { L"C:\\\u65e5\u672c\\caf\u00e9 \U0001F600\u0085.bin", "0",
            "zoraven -p C:\\\xe6\x97\xa5\xe6\x9c\xac\\caf\xc3\xa9 \xf0\x9f\x98\x80\\xC2\\x85.bin",
            "Conversion finished successfully." },
        { L"lone \xD83D.bin", "0", "zoraven -p lone \\xED\\xA0\\xBD.bin", "Conversion finished successfully." },
        { L"C:\\img\\disc.bin", nullptr, "zoraven -p C:\\img\\disc.bin",
            "Conversion stopped: zoraven was ended by Ctrl+C." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        std::ofstream(logs() / "exit") << (c.exit ? c.exit : "0");
        std::ofstream(logs() / "delay_ms") << (c.exit ? "0" : "60000");
        ASSERT_EQ(start.start(*converterCommand(" -p ", toUtf8(c.path))), LaunchResult::Started);
        const std::vector<Record> found = records(1);
        ASSERT_EQ(found.size(), 1U);
        const Record& record = found[0];
        EXPECT_EQ(record.crtArgv, (std::vector<std::wstring> { L"zoraven", L"-p", c.path }));
        EXPECT_EQ(record.field("console_title"), c.shown);
        EXPECT_EQ(record.field("console_processes"), "2");
        EXPECT_EQ(record.field("zoomed"), "1");
        const DWORD helper = static_cast<DWORD>(std::stoul(record.field("ppid")));
        // Ctrl+C as the keyboard gives it: to every process of the window, the helper among them.
        if (!c.exit)
            probe({ L"console", std::to_wstring(helper), L"ctrl-c" });
        const std::vector<std::string> lines = consoleLines(helper, c.end);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), c.shown);
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.end), lines.end());
        EXPECT_EQ(lines.back(), "Press Enter to close this window.");
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, helper);
        EXPECT_EQ(WaitForSingleObject(process, 300), static_cast<DWORD>(WAIT_TIMEOUT)) << "the window waits for Enter";
        probe({ L"console", std::to_wstring(helper), L"enter" });
        EXPECT_EQ(WaitForSingleObject(process, 60000), WAIT_OBJECT_0) << "Enter closes the window";
        CloseHandle(process);
        clearRecords();
    }
}

TEST_F(LaunchTest, TheConsoleHelperStartsOnlyAProgramFile)
{
    NewConsoleStart programs;
    std::ofstream(root / "zoraven.bat") << "echo ran > \"" << (root / "batch ran").string() << "\"\r\n";
    fs::copy_file(buildFile(CONSOLE_HELPER), root / "zoraven-console.exe");
    const std::string helper = toUtf8((root / "zoraven-console.exe").wstring());
    ASSERT_TRUE(programs.start(helper,
        { helper, "--launch", "zoraven -n x", toUtf8((root / "zoraven.bat").wstring()), "zoraven", "-n", "x" }));
    std::string pid;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (pid.empty() && std::chrono::steady_clock::now() < deadline) {
        const std::string found = probe({ L"processes", L"zoraven-console.exe" });
        if (found.starts_with("pid "))
            pid = found.substr(4, found.find('\n') - 4);
    }
    ASSERT_FALSE(pid.empty());
    const std::string line = "Conversion not started: zoraven could not be started (it is not a program file).";
    const std::vector<std::string> lines = consoleLines(static_cast<DWORD>(std::stoul(pid)), line);
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end());
    probe({ L"console", toWide(pid), L"enter" });
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(fs::exists(root / "batch ran"));
}

TEST(ProgramIdentity, TheProgramsDeclareTheirNameVersionIconAndManifest)
{
    const fs::path program = buildFile(FRONTEND);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
    ASSERT_GT(size, 0U);
    std::vector<char> version(size);
    ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, version.data()));
    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        { L"ProductName", L"ZORAVEN Frontend" },
        { L"FileDescription", L"Frontend for ZORAVEN" },
        { L"FileVersion", L"1.00" },
        { L"ProductVersion", L"1.00" },
    };
    for (const auto& [name, expected] : strings) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(VerQueryValueW(version.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
            << toUtf8(name);
        EXPECT_EQ(std::wstring(value), expected);
    }

    const HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    EXPECT_NE(FindResourceW(image, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    const HRSRC manifest = FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    const std::string text(
        static_cast<const char*>(LockResource(LoadResource(image, manifest))), SizeofResource(image, manifest));
    for (const char* declared : { "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
             "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2",
             "level=\"asInvoker\"", "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>" })
        EXPECT_NE(text.find(declared), std::string::npos) << declared;
    FreeLibrary(image);
}

} // namespace
} // namespace zoraven
