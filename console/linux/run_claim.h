// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zoraven {

// One click runs the converter once. The helper that a terminal brings up and the launcher that
// may give up on the terminal both claim the run by removing its claim file: exactly one removal
// succeeds, whoever comes first, however late the other.
bool claimRun(const std::string& claim);

// Where the launcher keeps, beside a claim, KWin's ids of the windows there before the terminal
// started: the conversion's window is the new one (see zoraven-maximize).
std::string windowsBeforeFile(const std::string& claim);

// Where the run went, besides a terminal's name, as the launcher settles it.
inline constexpr std::string_view kWithoutWindow = "without a window";
inline constexpr std::string_view kNotStarted = "not started";

// What a window whose claim was already taken tells the user: where the conversion runs instead,
// once the launcher has settled it. Marks the claim as answered.
std::string lateWindowNotice(const std::string& claim);

// A folder of this user's own, made for the terminals tried for one click: it holds a claim for
// each, the links to the helper that some terminals are given, and where the run went. It goes
// with what is left in it when the click is settled and no late window is awaited any more.
class ClaimFolder {
public:
    // In XDG_RUNTIME_DIR, else in TMPDIR, else in /tmp: the first where one can be made (the
    // runtime folder may be missing, a file, or another user's); nothing when none can.
    static std::optional<ClaimFolder> make();
    ClaimFolder(ClaimFolder&& other) noexcept;
    ClaimFolder(const ClaimFolder&) = delete;
    ClaimFolder& operator=(const ClaimFolder&) = delete;
    ClaimFolder& operator=(ClaimFolder&&) = delete;
    ~ClaimFolder();

    const std::string& path() const { return m_folder; }
    // A new claim file's path, or an empty one when it cannot be made.
    std::string newClaim();
    // A path of plain words that leads to `helper`, for a terminal that splits its command or
    // could mangle its bytes; or an empty one.
    std::string plainPathTo(const std::string& helper);
    // Records where the run went: a terminal's name, kWithoutWindow or kNotStarted.
    void settle(std::string_view where);
    // Waits until a late window has answered each of `claims`, or `limit` has passed.
    void awaitLateWindows(const std::vector<std::string>& claims, std::chrono::seconds limit) const;

private:
    explicit ClaimFolder(std::string folder);
    std::string m_folder;
    int m_claims = 0;
};

} // namespace zoraven
