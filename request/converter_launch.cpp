// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "converter_launch.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zoraven {

namespace {

std::string executableDirectory()
{
    std::array<char, PATH_MAX> buffer {};
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0 || buffer[0] != '/')
        return {};
    // A deleted executable reads as "/dir/name (deleted)": the directory part still holds.
    const std::string exe(buffer.data(), static_cast<std::size_t>(length));
    const std::size_t slash = exe.rfind('/');
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

std::string joinPath(std::string_view directory, std::string_view name)
{
    std::string file(directory);
    if (file.back() != '/')
        file += '/';
    file += name;
    return file;
}

int pidfdOpen(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

// Only when the child is ours and has ended; never blocks.
bool reaped(pid_t pid)
{
    int status = 0;
    const pid_t result = waitpid(pid, &status, WNOHANG);
    return result == pid || (result < 0 && errno == ECHILD);
}

} // namespace

SearchPlaces SearchPlaces::ofThisProcess()
{
    const char* path = std::getenv("PATH");
    if (!path) {
        // What execvp would search without a PATH.
        std::array<char, 256> fallback {};
        confstr(_CS_PATH, fallback.data(), fallback.size());
        return { executableDirectory(), fallback.data() };
    }
    return { executableDirectory(), path };
}

bool isExecutableFile(const std::string& file)
{
    struct stat info { };
    return stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(file.c_str(), X_OK) == 0;
}

std::optional<std::string> findOnPath(std::string_view path, std::string_view name)
{
    while (true) {
        const std::size_t colon = path.find(':');
        const std::string_view directory = path.substr(0, colon);
        // Empty and relative entries mean the current directory, which is never searched.
        if (!directory.empty() && directory.front() == '/') {
            std::string candidate = joinPath(directory, name);
            if (isExecutableFile(candidate))
                return candidate;
        }
        if (colon == std::string_view::npos)
            return std::nullopt;
        path.remove_prefix(colon + 1);
    }
}

std::optional<std::string> findProgram(const SearchPlaces& places, std::string_view name)
{
    if (!places.ownDirectory.empty() && places.ownDirectory.front() == '/') {
        std::string beside = joinPath(places.ownDirectory, name);
        if (isExecutableFile(beside))
            return beside;
    }
    return findOnPath(places.path, name);
}

std::optional<std::string> findConsoleHelper(const std::string& ownDirectory)
{
    if (ownDirectory.empty() || ownDirectory.front() != '/')
        return std::nullopt;
    // The front end's own directory has its links resolved, so ".." can be taken away as text.
    const std::string directories[]
        = { std::filesystem::path(joinPath(ownDirectory, ZORAVEN_LIBEXEC_FROM_BIN)).lexically_normal().string(),
              ownDirectory };
    for (const std::string& directory : directories) {
        std::string helper = joinPath(directory, kConsoleHelperName);
        if (isExecutableFile(helper))
            return helper;
    }
    return std::nullopt;
}

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
    const std::vector<std::string>* environment)
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
        if (descriptorFlags < 0 || (descriptorFlags & FD_CLOEXEC) != 0)
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

ConverterLauncher::ConverterLauncher(SearchPlaces places)
    : m_places(std::move(places))
{
}

LaunchResult ConverterLauncher::start(const ConverterCommand& command)
{
    // Without an event loop watching the reaper (or a pidfd), children are collected here.
    m_reaper.reapFinished();
    if (command.arguments.empty())
        return LaunchResult::Failed;
    const std::optional<std::string> converter = findProgram(m_places, command.arguments.front());
    if (!converter)
        return LaunchResult::NotFound;

    pid_t pid = -1;
    // Looked for at each start: konsole and qterminal open a shell in place of a program they
    // cannot start, so the helper must be there when the terminal runs it.
    if (const std::optional<std::string> helper = findConsoleHelper(m_places.ownDirectory)) {
        std::vector<std::string> launch { *helper, std::string(kLaunchOption), command.commandLine, *converter };
        launch.insert(launch.end(), command.arguments.begin(), command.arguments.end());
        pid = spawnProgram(*helper, launch, Session::Own);
    }
    if (pid <= 0)
        pid = spawnProgram(*converter, command.arguments, Session::Own);
    if (pid <= 0)
        return LaunchResult::Failed;
    m_reaper.watch(pid);
    return LaunchResult::Started;
}

} // namespace zoraven
