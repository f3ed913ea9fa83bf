// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Real starts under Wine: command lines split again by both C runtimes that Windows programs are
// built on, the converter started in a console window of its own, and what the built programs
// declare of themselves.
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
        EXPECT_EQ(record.field("zoomed"), "1");
        EXPECT_EQ(record.field("foreground"), "1");
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
