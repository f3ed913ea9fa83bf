// What starting the converter costs the front end, against a bare posix_spawn of the same
// program. Only the call is timed: the started program runs and is collected outside it.
#include "converter_launch.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

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
    zoraven::ConverterLauncher launcher({ "/usr/lib", path }, {});
    const zoraven::ConverterCommand command = *zoraven::converterCommand(" -n ", "/img/disc.bin");
    for (auto _ : state) {
        const auto start = Clock::now();
        const zoraven::LaunchResult result = launcher.start(command);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (result != zoraven::LaunchResult::Started)
            state.SkipWithError("launch failed");
        while (launcher.reaper().pending() > 0) {
            pollfd ready { launcher.reaper().notifyFd(), POLLIN, 0 };
            poll(&ready, 1, 1000);
            launcher.reaper().reapFinished();
        }
    }
}

} // namespace

BENCHMARK(BM_BarePosixSpawn)->UseManualTime()->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_ConverterLauncher)->UseManualTime()->Unit(benchmark::kMicrosecond)->Repetitions(5);

BENCHMARK_MAIN();
