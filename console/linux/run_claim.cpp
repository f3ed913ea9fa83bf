// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "run_claim.h"

#include "converter_launch.h"
#include "process_spawn.h"
#include "program_files.h"
#include "terminal_passage.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace zoraven {

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kSettledName = "settled";
constexpr std::string_view kAnsweredSuffix = ".answered";

bool exists(const std::string& file) { return access(file.c_str(), F_OK) == 0; }

std::string folderOf(const std::string& claim) { return claim.substr(0, claim.rfind('/')); }

} // namespace

bool claimRun(const std::string& claim) { return unlink(claim.c_str()) == 0; }

std::string windowsBeforeFile(const std::string& claim) { return claim + ".windows-before"; }

std::string lateWindowNotice(const std::string& claim)
{
    const std::string folder = folderOf(claim);
    const std::string settled = folder + "/" + std::string(kSettledName);
    // The launcher may still be trying the next terminal: it settles before it goes (unless it
    // was killed, hence the limit).
    const auto deadline = std::chrono::steady_clock::now() + 2min;
    while (!exists(settled) && exists(folder) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    std::ifstream note(settled);
    std::stringstream where;
    where << note.rdbuf();
    const int fd = open((claim + std::string(kAnsweredSuffix)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        close(fd);

    const std::string said = "This window came up too late for its conversion, ";
    if (!note)
        return said + "which was started elsewhere.";
    if (where.str() == kWithoutWindow)
        return said + "which runs without a window, as no terminal came up in time.";
    if (where.str() == kNotStarted)
        return said + "which could not be started.";
    return said + "which runs in another window, in " + displayText(where.str()) + ".";
}

std::optional<ClaimFolder> ClaimFolder::make()
{
    // A splitting terminal is given paths from here: the folder's own path must be plain too.
    const char* const bases[] = { std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), "/tmp" };
    for (const char* base : bases) {
        if (!base || base[0] != '/' || !isPlainWord(base))
            continue;
        std::string folder = std::string(base) + "/zoraven-frontend-XXXXXX";
        if (mkdtemp(folder.data()))
            return ClaimFolder(std::move(folder));
    }
    return std::nullopt;
}

ClaimFolder::ClaimFolder(std::string folder)
    : m_folder(std::move(folder))
{
}

ClaimFolder::ClaimFolder(ClaimFolder&& other) noexcept
    : m_folder(std::exchange(other.m_folder, {}))
    , m_claims(other.m_claims)
{
}

ClaimFolder::~ClaimFolder()
{
    // A helper that comes up later finds its claim gone, and so does not run the converter.
    std::error_code ignored;
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder, ignored);
}

std::string ClaimFolder::newClaim()
{
    std::string claim = m_folder + "/run-" + std::to_string(++m_claims);
    const int fd = open(claim.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return {};
    close(fd);
    return claim;
}

std::string ClaimFolder::plainPathTo(const std::string& helper)
{
    std::string link = m_folder + "/" + std::string(kConsoleHelperName);
    if (symlink(helper.c_str(), link.c_str()) != 0 && errno != EEXIST)
        return {};
    return link;
}

void ClaimFolder::settle(std::string_view where)
{
    // Written whole before it is seen: a late window reads it as soon as it exists.
    const std::string note = m_folder + "/" + std::string(kSettledName);
    const std::string partial = note + ".partial";
    std::ofstream(partial, std::ios::binary) << where;
    std::rename(partial.c_str(), note.c_str());
}

void ClaimFolder::awaitLateWindows(const std::vector<std::string>& claims, std::chrono::seconds limit) const
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const auto answered = [](const std::string& claim) { return exists(claim + std::string(kAnsweredSuffix)); };
    while (!std::all_of(claims.begin(), claims.end(), answered) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(100ms);
}

} // namespace zoraven
