// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>

namespace zoraven {

// One click runs the converter once. The helper that a terminal brings up and the launcher that
// may give up on the terminal both claim the run by removing its claim file: exactly one removal
// succeeds, whoever comes first, however late the other.
bool claimRun(const std::string& claim);

// A folder of this user's own, made for the terminals tried for one click: it holds a claim for
// each, and the links to the helper that a splitting terminal is given. It goes with what is left
// in it when the click is settled.
class ClaimFolder {
public:
    // In XDG_RUNTIME_DIR, else in /tmp; nothing when no folder can be made.
    static std::optional<ClaimFolder> make();
    ClaimFolder(ClaimFolder&& other) noexcept;
    ClaimFolder(const ClaimFolder&) = delete;
    ClaimFolder& operator=(const ClaimFolder&) = delete;
    ClaimFolder& operator=(ClaimFolder&&) = delete;
    ~ClaimFolder();

    // A new claim file's path, or an empty one when it cannot be made.
    std::string newClaim();
    // A path of plain words that leads to `helper`, for a terminal that splits its command; or
    // an empty one.
    std::string plainPathTo(const std::string& helper);

private:
    explicit ClaimFolder(std::string folder);
    std::string m_folder;
    int m_claims = 0;
};

} // namespace zoraven
