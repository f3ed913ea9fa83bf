// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "process_spawn.h"

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zoraven {

namespace {

int pidfdOpen(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

// Only when the child is ours and has ended; never blocks.
bool reaped(pid_t pid)
{
    int status = 0;
    const pid_t result = waitpid(pid, &status, WNOHANG);
    return result == pid || (result < 0 && errno == ECHILD);
}

} // namespace

ChildReaper::ChildReaper()
    : m_epoll(epoll_create1(EPOLL_CLOEXEC))
{
}

ChildReaper::~ChildReaper()
{
    // Children still running are left alone: they outlive the front end by design.
    for (const Child& child : m_watched)
        close(child.pidfd);
    if (m_epoll >= 0)
        close(m_epoll);
}

void ChildReaper::watch(pid_t pid)
{
    const int pidfd = m_epoll >= 0 ? pidfdOpen(pid) : -1;
    if (pidfd >= 0) {
        epoll_event event {};
        event.events = EPOLLIN;
        event.data.fd = pidfd;
        if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, pidfd, &event) == 0) {
            m_watched.push_back({ pid, pidfd });
            return;
        }
        close(pidfd);
    }
    m_unwatched.push_back(pid);
}

void ChildReaper::reapFinished()
{
    std::erase_if(m_watched, [this](const Child& child) {
        if (!reaped(child.pid))
            return false;
        epoll_ctl(m_epoll, EPOLL_CTL_DEL, child.pidfd, nullptr);
        close(child.pidfd);
        return true;
    });
    std::erase_if(m_unwatched, reaped);
}

pid_t spawnProgram(const std::string& file, const std::vector<std::string>& argv, Session session,
    const std::vector<std::string>* environment, Streams streams)
{
    // A NUL inside an argument cannot be passed on without cutting it short.
    const auto pointers = [](const std::vector<std::string>& texts, std::vector<char*>& out) {
        out.reserve(texts.size() + 1);
        for (const std::string& text : texts) {
            if (text.find('\0') != std::string::npos)
                return false;
            out.push_back(const_cast<char*>(text.c_str()));
        }
        out.push_back(nullptr);
        return true;
    };
    std::vector<char*> args;
    std::vector<char*> variables;
    if (!pointers(argv, args) || (environment && !pointers(*environment, variables))) {
        errno = EINVAL;
        return -1;
    }

    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&actions);

    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (session == Session::Own)
        flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&attributes, flags);
    // Other threads (a file dialog's, say) may hold descriptors without close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    // A program whose standard streams are closed would take the first files it opens for
    // them, and write its messages into them.
    for (const int stream : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO }) {
        const int descriptorFlags = fcntl(stream, F_GETFD);
        const bool discarded = streams == Streams::ErrorOnly && stream != STDERR_FILENO;
        if (discarded || descriptorFlags < 0 || (descriptorFlags & FD_CLOEXEC) != 0)
            posix_spawn_file_actions_addopen(
                &actions, stream, "/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
    }

    pid_t pid = -1;
    const int error
        = posix_spawn(&pid, file.c_str(), &actions, &attributes, args.data(), environment ? variables.data() : environ);

    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return pid;
}

bool DetachedSpawn::start(const std::string& file, const std::vector<std::string>& argv)
{
    // Without an event loop watching the reaper, children are collected here.
    m_reaper.reapFinished();
    const pid_t pid = spawnProgram(file, argv, Session::Own);
    if (pid <= 0)
        return false;
    m_reaper.watch(pid);
    return true;
}

} // namespace zoraven
