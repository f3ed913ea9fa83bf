// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What starting the converter costs the front end, against a bare posix_spawn of the same
// program (only the call is timed: the started program runs and is collected outside it); and
// what the console helper adds in the converter's terminal window, in time and in memory.
#include "converter_launch.h"
#include "process_spawn.h"
#include "terminal_passage.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <thread>
#include <vector>

#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// A directory holding /bin/true as "zoraven", made once per run.
const fs::path& converterDirectory()
{
    static const fs::path dir = [] {
        std::string pattern = (fs::temp_directory_path() / "zoraven-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        fs::copy_file("/bin/true", fs::path(pattern) / "zoraven");
        std::atexit([] { fs::remove_all(converterDirectory()); });
        return fs::path(pattern);
    }();
    return dir;
}

void BM_BarePosixSpawn(benchmark::State& state)
{
    const std::string file = converterDirectory() / "zoraven";
    char name[] = "zoraven";
    char option[] = "-n";
    char image[] = "/img/disc.bin";
    char* argv[] = { name, option, image, nullptr };
    for (auto _ : state) {
        const auto start = Clock::now();
        pid_t pid = -1;
        posix_spawn(&pid, file.c_str(), nullptr, nullptr, argv, environ);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        waitpid(pid, nullptr, 0);
    }
}

void BM_ConverterLauncher(benchmark::State& state)
{
    // Searched as in real use: the front end's own directory misses, PATH's entries follow.
    const std::string path = "/usr/local/bin:/usr/bin:/bin:" + converterDirectory().string();
    zoraven::DetachedSpawn programs;
    zoraven::ConverterLauncher launcher(programs, { "/usr/lib", path });
    const zoraven::ConverterCommand command = *zoraven::converterCommand(" -n ", "/img/disc.bin");
    for (auto _ : state) {
        const auto start = Clock::now();
        const zoraven::LaunchResult result = launcher.start(command);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (result != zoraven::LaunchResult::Started)
            state.SkipWithError("launch failed");
        while (programs.reaper().pending() > 0) {
            pollfd ready { programs.reaper().notifyFd(), POLLIN, 0 };
            poll(&ready, 1, 1000);
            programs.reaper().reapFinished();
        }
    }
}

// A program started in a pseudo-terminal, as a terminal window starts the console helper:
// until `marker` is read from it (or, without one, until it has ended).
pid_t startInPty(const std::string& file, const std::vector<std::string>& argv, int& master)
{
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(file.c_str(), args.data());
        _exit(127);
    }
    return pid;
}

void readUntil(int master, std::string_view marker)
{
    std::string output;
    std::array<char, 512> buffer {};
    while (output.find(marker) == std::string::npos) {
        const ssize_t got = read(master, buffer.data(), buffer.size());
        if (got <= 0)
            break;
        output.append(buffer.data(), static_cast<std::size_t>(got));
    }
}

std::vector<std::string> helperArgv(const std::string& converter, const std::vector<std::string>& converterArgv)
{
    std::vector<std::string> argv { CONSOLE_HELPER };
    for (std::string& arg : zoraven::consoleArguments("zoraven -n /img/disc.bin", converter, converterArgv))
        argv.push_back(std::move(arg));
    return argv;
}

// When the stand-in converter started (CLOCK_MONOTONIC, ns), from the record it leaves in `logs`.
long long converterStart(const fs::path& logs)
{
    for (int i = 0; i < 1000; ++i) {
        for (const fs::directory_entry& entry : fs::directory_iterator(logs)) {
            if (!entry.path().filename().string().starts_with("converter-"))
                continue;
            std::ifstream record(entry.path());
            std::string key;
            long long mono = 0;
            record >> key >> mono;
            fs::remove(entry.path());
            return mono;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}

long long monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// From a terminal starting its program in a pseudo-terminal until the converter starts: the
// converter itself (0), the console helper that runs it (1), or for comparison coreutils'
// timeout (2), a small C program that does the same fork, exec and wait.
void BM_TerminalStartToConverterStart(benchmark::State& state)
{
    const fs::path logs = converterDirectory() / "logs";
    fs::create_directories(logs);
    setenv("ZORAVEN_FAKE_LOG_DIR", logs.c_str(), 1);
    // Named as the converter, which is how the stand-in knows its part.
    const fs::path converterFile = converterDirectory() / "fake" / "zoraven";
    if (!fs::exists(converterFile)) {
        fs::create_directories(converterFile.parent_path());
        fs::copy_file(FAKE_CONVERTER, converterFile);
    }
    const std::vector<std::string> converterArgv { "zoraven", "-n", "/img/disc.bin" };
    const bool direct = state.range(0) == 0;
    const bool helper = state.range(0) == 1;
    std::string file = converterFile;
    std::vector<std::string> argv = converterArgv;
    if (helper) {
        file = CONSOLE_HELPER;
        argv = helperArgv(converterFile, converterArgv);
    } else if (!direct) {
        file = "/usr/bin/timeout";
        argv = { "timeout", "100", converterFile };
    }
    for (auto _ : state) {
        const long long start = monotonicNs();
        int master = -1;
        const pid_t pid = startInPty(file, argv, master);
        const long long converter = converterStart(logs);
        state.SetIterationTime(static_cast<double>(converter - start) / 1e9);
        if (helper)
            readUntil(master, "Press Enter");
        close(master);
        waitpid(pid, nullptr, 0);
    }
}

long statusKib(pid_t pid, std::string_view file, std::string_view key)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + std::string(file));
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(key))
            return std::stol(line.substr(key.size()));
    }
    return -1;
}

// The helper's memory while it waits for a converter (here sleep) to end.
void BM_ConsoleHelperMemoryWhileWaiting(benchmark::State& state)
{
    const std::vector<std::string> argv = helperArgv("/bin/sleep", { "sleep", "0.3" });
    for (auto _ : state) {
        int master = -1;
        const pid_t pid = startInPty(CONSOLE_HELPER, argv, master);
        readUntil(master, "disc.bin");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        state.counters["VmRSS_KiB"] = static_cast<double>(statusKib(pid, "status", "VmRSS:"));
        state.counters["Pss_KiB"] = static_cast<double>(statusKib(pid, "smaps_rollup", "Pss:"));
        state.counters["Private_KiB"] = static_cast<double>(
            statusKib(pid, "smaps_rollup", "Private_Clean:") + statusKib(pid, "smaps_rollup", "Private_Dirty:"));
        readUntil(master, "Press Enter");
        close(master);
        waitpid(pid, nullptr, 0);
    }
}

} // namespace

BENCHMARK(BM_TerminalStartToConverterStart)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);
BENCHMARK(BM_ConsoleHelperMemoryWhileWaiting)->Iterations(3);
BENCHMARK(BM_BarePosixSpawn)->UseManualTime()->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_ConverterLauncher)->UseManualTime()->Unit(benchmark::kMicrosecond)->Repetitions(5);

BENCHMARK_MAIN();
