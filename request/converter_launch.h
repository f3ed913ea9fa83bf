#pragma once

#include "conversion_request.h"

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

// A terminal emulator that runs an argument vector as it is (no shell, no re-splitting),
// with its window maximized and kept open after the program ends.
struct Terminal {
    std::string_view program;
    std::span<const std::string_view> options; // maximize and hold
    std::string_view titleOption; // followed by the window title
    std::string_view runOption; // last; everything after it is the program's argv
};

inline constexpr std::string_view kXtermOptions[] = { "-maximized", "-hold" };
inline constexpr std::string_view kXfceTerminalOptions[] = { "--maximize", "--hold" };

inline constexpr Terminal kTerminals[] = {
    { "xterm", kXtermOptions, "-T", "-e" },
    { "xfce4-terminal", kXfceTerminalOptions, "-T", "-x" },
};

// The argument vector that runs `program` with `arguments` inside `terminal`.
std::vector<std::string> terminalArguments(const Terminal& terminal, const std::string& program,
    const std::vector<std::string>& arguments, std::string_view title);

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

// Starts the converter detached: in a session of its own, with only descriptors 0, 1 and 2,
// default signal handling and an empty signal mask, inside the first installed terminal of
// kTerminals, or directly when there is none.
class ConverterLauncher : public ConverterStarter {
public:
    explicit ConverterLauncher(
        SearchPlaces places = SearchPlaces::ofThisProcess(), std::span<const Terminal> terminals = kTerminals);

    LaunchResult start(const ConverterCommand& command) override;
    ChildReaper& reaper() { return m_reaper; }

private:
    SearchPlaces m_places;
    std::span<const Terminal> m_terminals;
    ChildReaper m_reaper;
};

// posix_spawn of `file` with `argv`, detached as described above. Returns the pid, or -1 with errno set.
pid_t spawnDetached(const std::string& file, const std::vector<std::string>& argv);

} // namespace zoraven
