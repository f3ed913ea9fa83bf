// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "converter_launch.h"

#include <cstddef>
#include <string>
#include <vector>

#include <sys/types.h>

namespace zoraven {

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

enum class Session {
    Own, // detached: a session of its own, no controlling terminal
    Inherited, // the caller's session, process group and terminal
};

enum class Streams {
    Inherited, // standard input, output and error are this process's
    ErrorOnly, // standard input and output are /dev/null; standard error is this process's
};

// posix_spawn of `file` with `argv`: only descriptors 0, 1 and 2 are passed on, and any of those
// that this process lacks (closed, or its own close-on-exec file) is /dev/null for the child;
// default signal handling, an empty signal mask; `environment` ("NAME=value" entries), or this
// process's own when it is null. Returns the pid, or -1 with errno set.
pid_t spawnProgram(const std::string& file, const std::vector<std::string>& argv, Session session,
    const std::vector<std::string>* environment = nullptr, Streams streams = Streams::Inherited);

// Programs started detached (in a session of their own, with only descriptors 0, 1 and 2, default
// signal handling and an empty signal mask), and collected by the reaper once they end.
class DetachedSpawn final : public DetachedStart {
public:
    bool start(const std::string& file, const std::vector<std::string>& argv) override;
    ChildReaper& reaper() { return m_reaper; }

private:
    ChildReaper m_reaper;
};

} // namespace zoraven
