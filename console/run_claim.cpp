// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "run_claim.h"

#include "terminal_passage.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace zoraven {

bool claimRun(const std::string& claim) { return unlink(claim.c_str()) == 0; }

std::optional<ClaimFolder> ClaimFolder::make()
{
    // A splitting terminal is given paths from here: the folder's own path must be plain too.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string base = runtime && runtime[0] == '/' && isPlainWord(runtime) ? runtime : "/tmp";
    std::string folder = base + "/zoraven-frontend-XXXXXX";
    if (!mkdtemp(folder.data()))
        return std::nullopt;
    return ClaimFolder(std::move(folder));
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

} // namespace zoraven
