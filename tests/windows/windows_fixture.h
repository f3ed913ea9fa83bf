// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the Windows tests share: the build tree's files as Windows sees them, a folder of their own,
// the stand-in converter's records, and the arguments that Windows makes hard to pass on.
#pragma once

#include "wide_text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace zoraven {

// A file of the build tree (a Linux path) as Windows programs see it under Wine, on drive Z:.
inline fs::path buildFile(std::string_view linuxPath)
{
    std::wstring path = L"Z:" + toWide(linuxPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// What the stand-in converter wrote about its start.
struct Record {
    std::map<std::string, std::string> fields;
    std::vector<std::wstring> crtArgv;
    std::vector<std::wstring> shellArgv;
    std::string field(const std::string& key) const
    {
        const auto found = fields.find(key);
        return found == fields.end() ? "<none>" : found->second;
    }
};

inline Record readRecord(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    Record record;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (key == "crt_argv" || key == "shell_argv") {
            record.fields[key] = value;
            std::vector<std::wstring>& arguments = key == "crt_argv" ? record.crtArgv : record.shellArgv;
            for (long count = std::stol(value); count > 0; --count) {
                const std::size_t nul = text.find('\0', at);
                arguments.push_back(toWide(text.substr(at, nul - at)));
                at = nul + 1;
            }
            continue;
        }
        record.fields[key] = value;
    }
    return record;
}

// Arguments that a command line must carry whole: blanks where a path may have them, the
// characters of cmd.exe and of the C runtimes' parsers, backslashes before quotes and at the end,
// characters outside ASCII and outside the Basic Multilingual Plane, surrogates without partners,
// a path past 260 characters and one past the longest path of old Windows.
inline std::vector<std::wstring> hardArguments()
{
    return {
        L"C:\\img\\disc.bin",
        L"C:\\My Images\\disc one.bin",
        L"  two  blanks .bin",
        L" ",
        L"",
        L"C:\\img\\a&b^c%PATH%'!.bin",
        L"C:\\dir\\",
        L"C:\\dir with blanks\\",
        L"C:\\two\\\\",
        L"\\\\server\\share\\disc.iso",
        L"a\"b",
        L"\"",
        L"\\\"",
        L"a\\\\\"b\\",
        L"\"quoted path.bin\"",
        L"tab\there",
        L"line\nfeed",
        L"vertical\vtab",
        L"C:\\\u65e5\u672c\\caf\u00e9 \U0001F600.bin",
        L"lone \xD83D high",
        L"\xDE00 lone low",
        L"-n",
        L"--help",
        L"/p",
        L"C:\\" + std::wstring(290, L'x') + L"\\disc.bin",
        L"C:\\" + std::wstring(3000, L'y') + L" z.iso",
    };
}

// Each test program has a copy of its own.
namespace {

// A folder of the test's own, removed afterwards.
class TemporaryFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        root = fs::temp_directory_path() / (std::string("zoraven ") + test->name() + " \u00e9");
        fs::remove_all(root);
        fs::create_directories(logs());
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    fs::path logs() const { return root / "logs"; }

    // Waits until `count` records are in logs(), for up to 60 s; returns them.
    std::vector<Record> records(std::size_t count)
    {
        std::vector<Record> found;
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (std::chrono::steady_clock::now() < deadline) {
            found.clear();
            for (const fs::directory_entry& entry : fs::directory_iterator(logs())) {
                if (!entry.path().filename().wstring().starts_with(L"converter-"))
                    continue;
                // Read whole, or not yet: the stand-in's rename may still hold the file for a moment.
                Record record = readRecord(entry.path());
                if (record.fields.contains("pid") && record.fields.contains("shell_argv"))
                    found.push_back(std::move(record));
            }
            if (found.size() >= count)
                break;
            std::this_thread::sleep_for(10ms);
        }
        return found;
    }

    void clearRecords()
    {
        for (const fs::directory_entry& entry : fs::directory_iterator(logs()))
            fs::remove(entry.path());
    }

    fs::path root;
};

} // namespace
} // namespace zoraven
