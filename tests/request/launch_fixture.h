// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Real launches of a fake converter (fake_converter.cpp), which also stands in for terminals,
// copied into temporary directories: what the front end's and the console helper's tests share.
#pragma once

#include "converter_launch.h"
#include "process_spawn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace zoraven {
// Each test program has a copy of its own.
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

    ConverterLauncher& launcher(std::string path = {})
    {
        if (path.empty())
            path = bin().string();
        m_launcher.emplace(m_programs, SearchPlaces { own().string(), path });
        return *m_launcher;
    }

    LaunchResult launch(const ImagePath& path, std::string_view flag = " -n ")
    {
        return m_launcher->start(*converterCommand(flag, path));
    }

    // Waits until `count` records of `role` exist (in `dir`, else logs()); returns them.
    std::vector<Record> records(const std::string& role, std::size_t count = 1, const fs::path& dir = {})
    {
        std::vector<Record> found;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            found.clear();
            for (const fs::directory_entry& entry : fs::directory_iterator(dir.empty() ? logs() : dir)) {
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
        ChildReaper& reaper = m_programs.reaper();
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (reaper.pending() > 0 && std::chrono::steady_clock::now() < deadline) {
            pollfd ready { reaper.notifyFd(), POLLIN, 0 };
            poll(&ready, 1, 100);
            reaper.reapFinished();
        }
        EXPECT_EQ(reaper.pending(), 0U);
    }

    fs::path root;
    DetachedSpawn m_programs;
    std::optional<ConverterLauncher> m_launcher;
};

} // namespace
} // namespace zoraven
