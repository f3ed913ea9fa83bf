// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows side of the request library without starting anything: text in UTF-8 and UTF-16,
// the quoting of a command line, and the search for the converter.
#include "converter_launch.h"
#include "process_start.h"
#include "program_files.h"
#include "windows_fixture.h"

#include <shellapi.h>

namespace zoraven {
namespace {

TEST(WideText, EveryUtf16StringComesBackWholeThroughUtf8)
{
    struct Case {
        std::wstring wide;
        std::string utf8;
    };
    const Case cases[] = {
        { L"", "" },
        { L"C:\\img\\disc.bin", "C:\\img\\disc.bin" },
        { L"caf\u00e9", "caf\xc3\xa9" },
        { L"\u65e5\u672c", "\xe6\x97\xa5\xe6\x9c\xac" },
        { L"\U0001F600", "\xf0\x9f\x98\x80" },
        // Surrogates without a partner, which Windows file names may hold, keep their code point.
        { L"\xD83D", "\xed\xa0\xbd" },
        { L"a\xDE00", "a\xed\xb8\x80" },
        { L"\xDE00\xD83D", "\xed\xb8\x80\xed\xa0\xbd" },
        { std::wstring(L"nul\0inside", 10), std::string("nul\0inside", 10) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(toUtf8(c.wide), c.utf8);
        EXPECT_EQ(toWide(c.utf8), c.wide);
    }
    for (const std::wstring& argument : hardArguments())
        EXPECT_EQ(toWide(toUtf8(argument)), argument);
}

TEST(WideText, BytesThatAreNotUtf8BecomeReplacementCharacters)
{
    EXPECT_EQ(toWide("\xff"), L"\uFFFD");
    EXPECT_EQ(toWide("a\xc3"), L"a\uFFFD");
    EXPECT_EQ(toWide("\xc0\xaf"), L"\uFFFD\uFFFD"); // overlong "/"
    EXPECT_EQ(toWide("\xf4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD"); // past U+10FFFF
}

TEST(CommandLine, QuotesOnlyWhatNeedsItAndEscapesBackslashesOnlyBeforeQuotes)
{
    struct Case {
        std::wstring argument;
        std::wstring quoted;
    };
    const Case cases[] = {
        { L"-p", L"-p" },
        { L"C:\\img\\disc.bin", L"C:\\img\\disc.bin" },
        { L"a&b^c%PATH%'!", L"a&b^c%PATH%'!" },
        { L"", L"\"\"" },
        { L"C:\\My Images\\disc.bin", L"\"C:\\My Images\\disc.bin\"" },
        { L"C:\\my dir\\", L"\"C:\\my dir\\\\\"" },
        { L"a\"b", L"\"a\\\"b\"" },
        { L"a\\\"b", L"\"a\\\\\\\"b\"" },
        { L"tab\there", L"\"tab\there\"" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(quotedArgument(c.argument), c.quoted) << toUtf8(c.argument);
}

TEST(CommandLine, CommandLineToArgvWGivesEveryArgumentBack)
{
    for (const std::wstring& argument : hardArguments()) {
        for (const std::wstring& name : { std::wstring(L"zoraven"), std::wstring(L"C:\\Program Files\\x.exe") }) {
            SCOPED_TRACE(toUtf8(name + L" " + argument).substr(0, 80));
            const std::optional<std::wstring> line = commandLineFor({ name, L"-p", argument });
            ASSERT_TRUE(line);
            int count = 0;
            wchar_t** split = CommandLineToArgvW(line->c_str(), &count);
            ASSERT_NE(split, nullptr);
            EXPECT_EQ(
                std::vector<std::wstring>(split, split + count), (std::vector<std::wstring> { name, L"-p", argument }));
            LocalFree(split);
        }
    }
}

TEST(CommandLine, RefusesWhatNoCommandLineCanCarry)
{
    EXPECT_FALSE(commandLineFor({}));
    EXPECT_FALSE(commandLineFor({ L"zoraven", std::wstring(L"nul\0inside", 10) }));
    // A program's name is read without escapes, up to the next double quote.
    EXPECT_FALSE(commandLineFor({ L"zor\"aven", L"-p" }));
    EXPECT_FALSE(commandLineFor({ L"zoraven", std::wstring(32760, L'x') }));
    EXPECT_TRUE(commandLineFor({ L"zoraven", std::wstring(32700, L'x') }));
    EXPECT_EQ(commandLineFor({ L"zoraven", L"-n", L"C:\\a b\\" }), L"zoraven -n \"C:\\a b\\\\\"");
}

TEST(ProgramFiles, OnlyFoldersThatNeedNoCurrentDriveOrFolderAreAbsolute)
{
    struct Case {
        std::string directory;
        bool absolute;
        std::string joined; // with "zoraven.exe"
    };
    const Case cases[] = {
        { "C:\\Tools", true, "C:\\Tools\\zoraven.exe" },
        { "C:\\", true, "C:\\zoraven.exe" },
        { "c:/tools/", true, "c:/tools/zoraven.exe" },
        { "\\\\server\\share", true, "\\\\server\\share\\zoraven.exe" },
        { "\\\\?\\C:\\Tools", true, "\\\\?\\C:\\Tools\\zoraven.exe" },
        // Windows' PATH editor may keep an entry in double quotes.
        { "\"C:\\My Tools\"", true, "C:\\My Tools\\zoraven.exe" },
        { "", false, "" },
        { ".", false, "" },
        { "tools", false, "" },
        { "\\Tools", false, "" },
        { "C:", false, "" },
        { "C:tools", false, "" },
        { "%SystemRoot%\\system32", false, "" },
        { "\"", false, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directory);
        EXPECT_EQ(program_files::isAbsolute(c.directory), c.absolute);
        if (c.absolute) {
            EXPECT_EQ(program_files::joinPath(c.directory, program_files::programFileName("zoraven")), c.joined);
        }
    }
    EXPECT_EQ(program_files::kPathSeparator, ';');
}

class SearchTest : public TemporaryFolderTest {
protected:
    fs::path own() const { return root / "my 'own' apps"; }
    fs::path bin() const { return root / "bin"; }
    fs::path other() const { return root / "other bin"; }
    static void program(const fs::path& file)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "MZ";
    }
};

TEST_F(SearchTest, ConverterBesideTheFrontEndFirstThenPathInOrderNeverTheCurrentFolder)
{
    const std::string ownText = toUtf8(own().wstring());
    const std::string binText = toUtf8(bin().wstring());
    const std::string otherText = toUtf8(other().wstring());
    struct Case {
        std::string what;
        std::vector<fs::path> files;
        std::string path;
        std::optional<fs::path> found;
    };
    const Case cases[] = {
        { "beside wins over PATH", { own() / "zoraven.exe", bin() / "zoraven.exe" }, binText, own() / "zoraven.exe" },
        { "PATH in order", { bin() / "zoraven.exe", other() / "zoraven.exe" }, otherText + ";" + binText,
            other() / "zoraven.exe" },
        { "a quoted entry", { other() / "zoraven.exe" }, "\"" + otherText + "\"", other() / "zoraven.exe" },
        { "empty and relative entries, the current folder",
            { root / "zoraven.exe", root / "bin" / "zoraven.exe", root / "zoraven" }, ";.;bin;;", std::nullopt },
        { "never a batch file, nor a folder named like the converter",
            { own() / "zoraven.bat", own() / "zoraven.cmd", own() / "zoraven", bin() / "zoraven.com",
                bin() / "zoraven.bat", other() / "zoraven.exe" / "inside" },
            binText + ";" + otherText, std::nullopt },
        { "a folder named like the converter is passed over", { other() / "zoraven.exe" / "x", bin() / "zoraven.exe" },
            otherText + ";" + binText, bin() / "zoraven.exe" },
    };
    const fs::path previous = fs::current_path();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const fs::path& folder : { own(), bin(), other() })
            fs::remove_all(folder);
        fs::remove(root / "zoraven.exe");
        for (const fs::path& file : c.files)
            program(file);
        fs::current_path(root);
        const std::optional<std::string> found = findProgram({ ownText, c.path }, "zoraven");
        fs::current_path(previous);
        EXPECT_EQ(found.has_value(), c.found.has_value()) << found.value_or("");
        if (found && c.found) {
            EXPECT_EQ(toWide(*found), c.found->wstring());
        }
    }
}

} // namespace
} // namespace zoraven
