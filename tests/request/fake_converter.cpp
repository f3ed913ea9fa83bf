// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for the converter, and for a terminal emulator when it is called by a terminal's
// name. It writes what it was started with to $ZORAVEN_FAKE_LOG_DIR/<role>-<pid>:
//   when it started (CLOCK_MONOTONIC, ns), pid, ppid, sid, exe, the open descriptors and what
//   0, 1 and 2 are, how many signals were blocked or ignored, its QT_QPA_PLATFORM, WINDOWID and
//   XDG_CONFIG_DIRS ("-" for none), then "argv" and every argument followed by a NUL byte.
// As a converter it then exits with $ZORAVEN_FAKE_EXIT, or is ended by signal $ZORAVEN_FAKE_SIGNAL.
// As a terminal it runs what follows its run option (-e, -x or --; as kitty, what follows its
// options), with no input, its output
// written to $ZORAVEN_FAKE_LOG_DIR/output-<pid>-<mono>, as its record;
// as qterminal it first joins that command and splits it again at blanks, as qterminal does. The
// terminal that $ZORAVEN_FAKE_ODD_TERMINAL names misbehaves: with $ZORAVEN_FAKE_TERMINAL_EXIT it
// exits at once with that status, and runs nothing; with $ZORAVEN_FAKE_TERMINAL_DELAY_MS as well,
// a process it leaves behind (as a terminal hands its window to another instance) runs the
// command after that delay, recorded as "late"; with the delay alone, it runs the command late.
// As xdg-terminal-exec it is recorded as "chooser", and starts the terminal that the first line of
// the first xdg-terminals.list names (in $XDG_CONFIG_HOME, then in each of $XDG_CONFIG_DIRS;
// "NAME.desktop" starts NAME) with -e and its command.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <dirent.h>
#include <unistd.h>

namespace {

std::string openDescriptors()
{
    std::string list;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return "?";
    const int own = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own)
            continue;
        list += list.empty() ? "" : ",";
        list += entry->d_name;
    }
    closedir(dir);
    return list;
}

long long monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// The pid and start of this process's last record: what its files are named by.
std::string stamp;

void record(const std::filesystem::path& logDir, std::string_view role, long long started, int argc, char** argv)
{
    stamp = std::to_string(getpid()) + "-" + std::to_string(started);
    sigset_t blocked;
    sigprocmask(SIG_BLOCK, nullptr, &blocked);
    int blockedCount = 0;
    int ignoredCount = 0;
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sigismember(&blocked, sig) == 1)
            ++blockedCount;
        struct sigaction action { };
        if (sigaction(sig, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
            ++ignoredCount;
    }

    const std::string descriptors = openDescriptors(); // before this record's own file is open
    std::string streams;
    for (const char* stream : { "/proc/self/fd/0", "/proc/self/fd/1", "/proc/self/fd/2" }) {
        std::error_code error;
        if (!streams.empty())
            streams += ',';
        streams += std::filesystem::read_symlink(stream, error).string();
    }
    const char* qpa = std::getenv("QT_QPA_PLATFORM");
    const char* window = std::getenv("WINDOWID");
    const char* configDirs = std::getenv("XDG_CONFIG_DIRS");
    const std::string name = std::string(role) + "-" + stamp;
    const std::filesystem::path partial = logDir / ("." + name);
    {
        std::ofstream out(partial, std::ios::binary);
        out << "mono " << started << "\npid " << getpid() << "\nppid " << getppid() << "\nsid " << getsid(0) << "\nexe "
            << std::filesystem::read_symlink("/proc/self/exe").string() << "\nfds " << descriptors << "\nstd "
            << streams << "\nblocked " << blockedCount << "\nignored " << ignoredCount << "\nqpa " << (qpa ? qpa : "-")
            << "\nwindow " << (window ? window : "-") << "\nconfigdirs " << (configDirs ? configDirs : "-")
            << "\nargv\n";
        for (int i = 0; i < argc; ++i)
            out.write(argv[i], static_cast<std::streamsize>(std::strlen(argv[i]) + 1));
    }
    // Readers only ever see complete records.
    std::filesystem::rename(partial, logDir / name);
}

} // namespace

int main(int argc, char** argv)
{
    const long long started = monotonicNs();
    const char* logDir = std::getenv("ZORAVEN_FAKE_LOG_DIR");
    if (!logDir)
        return 2;
    const bool isTerminal = std::filesystem::path(argv[0]).filename() != "zoraven";

    if (const char* delay = std::getenv("ZORAVEN_FAKE_DELAY_MS"); delay && !isTerminal)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));

    const std::string name = std::filesystem::path(argv[0]).filename();
    const bool isChooser = name == "xdg-terminal-exec";
    record(logDir, isChooser ? "chooser" : isTerminal ? "terminal" : "converter", started, argc, argv);

    if (isChooser) {
        const char* home = std::getenv("XDG_CONFIG_HOME");
        const char* dirs = std::getenv("XDG_CONFIG_DIRS");
        std::string folders = std::string(home ? home : "") + ":" + (dirs ? dirs : "");
        std::string entry;
        for (std::size_t at = 0; at < folders.size() && entry.empty(); at = folders.find(':', at) + 1) {
            std::ifstream list(folders.substr(at, folders.find(':', at) - at) + "/xdg-terminals.list");
            std::getline(list, entry);
            if (folders.find(':', at) == std::string::npos)
                break;
        }
        if (!entry.ends_with(".desktop"))
            return 1;
        std::string terminal = entry.substr(0, entry.size() - 8);
        std::vector<char*> args { terminal.data(), const_cast<char*>("-e") };
        for (int i = 1; i < argc; ++i) {
            if (i > 1 || std::strcmp(argv[i], "--") != 0)
                args.push_back(argv[i]);
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        return 127;
    }
    if (isTerminal) {
        const char* odd = std::getenv("ZORAVEN_FAKE_ODD_TERMINAL");
        if (odd && name == odd) {
            const char* status = std::getenv("ZORAVEN_FAKE_TERMINAL_EXIT");
            const char* delay = std::getenv("ZORAVEN_FAKE_TERMINAL_DELAY_MS");
            if (status && (!delay || fork() != 0))
                return std::atoi(status);
            if (delay)
                std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
            if (status)
                record(logDir, "late", monotonicNs(), argc, argv);
        }
        // kitty takes its command after its options, without a run option.
        int kittyCommand = 1;
        while (name == "kitty" && kittyCommand < argc && argv[kittyCommand][0] == '-')
            kittyCommand += std::strcmp(argv[kittyCommand], "-T") == 0 ? 2 : 1;
        for (int i = 1; i + 1 < argc; ++i) {
            if (name == "kitty" ? i + 1 == kittyCommand
                                : std::strcmp(argv[i], "-e") == 0 || std::strcmp(argv[i], "-x") == 0
                        || std::strcmp(argv[i], "--") == 0) {
                freopen("/dev/null", "r", stdin);
                const std::string output = std::string(logDir) + "/output-" + stamp;
                freopen(output.c_str(), "w", stdout);
                std::vector<std::string> command(argv + i + 1, argv + argc);
                if (name == "qterminal") {
                    std::string joined;
                    for (const std::string& word : command)
                        joined += (joined.empty() ? "" : " ") + word;
                    command.clear();
                    for (std::size_t at = 0, blank = 0; at <= joined.size(); at = blank + 1) {
                        blank = std::min(joined.find(' ', at), joined.size());
                        if (blank > at)
                            command.push_back(joined.substr(at, blank - at));
                    }
                }
                std::vector<char*> args;
                for (std::string& word : command)
                    args.push_back(word.data());
                args.push_back(nullptr);
                execv(args[0], args.data());
                return 127;
            }
        }
        return 0;
    }
    if (const char* signal = std::getenv("ZORAVEN_FAKE_SIGNAL"))
        std::raise(std::atoi(signal));
    const char* status = std::getenv("ZORAVEN_FAKE_EXIT");
    return status ? std::atoi(status) : 0;
}
