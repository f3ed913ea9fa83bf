// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "conversion_request.h"

#include <cstddef>
#include <optional>
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

// The converter's window is opened by the console helper, zoraven-console, installed with the
// front end. The front end starts it as
//   zoraven-console --launch COMMAND-LINE CONVERTER ARGV0 ARGV...
// with the converter's file and argument vector as they are, byte for byte, and leaves the rest
// to it: which terminal, how it is started, and the converter without a window where none comes up.
inline constexpr std::string_view kConsoleHelperName = "zoraven-console";
inline constexpr std::string_view kLaunchOption = "--launch";

// Starts the converter detached (in a session of its own, with only descriptors 0, 1 and 2,
// default signal handling and an empty signal mask): through the console helper, which gives it a
// terminal window, or directly where the helper is not installed.
class ConverterLauncher : public ConverterStarter {
public:
    explicit ConverterLauncher(SearchPlaces places = SearchPlaces::ofThisProcess());

    LaunchResult start(const ConverterCommand& command) override;
    ChildReaper& reaper() { return m_reaper; }

private:
    SearchPlaces m_places;
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
// default signal handling, an empty signal mask; `environment` ("NAME=value" entries), or this
// process's own when it is null. Returns the pid, or -1 with errno set.
pid_t spawnProgram(const std::string& file, const std::vector<std::string>& argv, Session session,
    const std::vector<std::string>* environment = nullptr);

} // namespace zoraven
