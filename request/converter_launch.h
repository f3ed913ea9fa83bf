// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "conversion_request.h"
#include "terminal_passage.h"
#include "terminal_table.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace zoraven {

// Where programs are looked for: the front end's own directory first, then PATH.
struct SearchPlaces {
    std::string ownDirectory; // absolute, symlinks resolved; empty when unknown
    std::string path; // a PATH value

    // The directory of /proc/self/exe and the process's PATH.
    static SearchPlaces ofThisProcess();
};

// A regular file (after following links) that this user may execute.
bool isExecutableFile(const std::string& file);

// The first executable `name` in the absolute directories of `path`; empty and relative
// entries are skipped, so nothing is ever run from the current directory.
std::optional<std::string> findOnPath(std::string_view path, std::string_view name);

// The converter beside the front end, or else the first one on PATH.
std::optional<std::string> findProgram(const SearchPlaces& places, std::string_view name);

// Collects the processes this front end started once they end, so that none lingers as a
// zombie, without anyone waiting: each child's pidfd sits in one epoll set, and an event
// loop that watches notifyFd() calls reapFinished() when it becomes readable.
class ChildReaper {
public:
    ChildReaper();
    ~ChildReaper();
    ChildReaper(const ChildReaper&) = delete;
    ChildReaper& operator=(const ChildReaper&) = delete;

    int notifyFd() const { return m_epoll; }
    void watch(pid_t pid);
    void reapFinished();
    std::size_t pending() const { return m_watched.size() + m_unwatched.size(); }

private:
    struct Child {
        pid_t pid;
        int pidfd;
    };
    int m_epoll = -1;
    std::vector<Child> m_watched;
    std::vector<pid_t> m_unwatched; // children without a pidfd (old kernels): polled instead
};

// Starts the converter detached (in a session of its own, with only descriptors 0, 1 and 2,
// default signal handling and an empty signal mask) in a terminal window through the console
// helper: the current desktop's own terminal first, then the others of `terminals` that are
// installed, each until one brings the helper up; and without a window when none does. Without
// the helper or any of the terminals, the converter is started directly.
class ConverterLauncher : public ConverterStarter {
public:
    explicit ConverterLauncher(SearchPlaces places = SearchPlaces::ofThisProcess(),
        std::span<const Terminal> terminals = kTerminals, std::string_view currentDesktop = desktopOfThisSession());

    LaunchResult start(const ConverterCommand& command) override;
    ChildReaper& reaper() { return m_reaper; }

    // XDG_CURRENT_DESKTOP, or nothing.
    static std::string_view desktopOfThisSession();

private:
    SearchPlaces m_places;
    std::vector<const Terminal*> m_terminals;
    ChildReaper m_reaper;
};

// The console helper installed with the front end in `ownDirectory`: under libexec, or beside it.
std::optional<std::string> findConsoleHelper(const std::string& ownDirectory);

enum class Session {
    Own, // detached: a session of its own, no controlling terminal
    Inherited, // the caller's session, process group and terminal
};

// posix_spawn of `file` with `argv`: only descriptors 0, 1 and 2 are passed on, and any of those
// that this process lacks (closed, or its own close-on-exec file) is /dev/null for the child;
// default signal handling, an empty signal mask. Returns the pid, or -1 with errno set.
pid_t spawnProgram(const std::string& file, const std::vector<std::string>& argv, Session session);

} // namespace zoraven
