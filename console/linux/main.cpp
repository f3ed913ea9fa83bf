// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// zoraven-console: what the converter's terminal window runs. It shows the command line, runs
// the converter in the window, says how the conversion ended, and keeps the window open until
// the user presses Enter. Started by the front end, it first opens that window in a terminal.
//   zoraven-console --launch COMMAND-LINE CONVERTER ARGV0 ARGV...      (as they are, byte for byte)
//   zoraven-console [--claim=CLAIM] [--maximize] [--window-stays] COMMAND-LINE CONVERTER ARGV0 ARGV...
//       (in the terminal's window; every argument after the options encoded by the launcher)
#include "console_text.h"
#include "process_spawn.h"
#include "program_files.h"
#include "run_claim.h"
#include "terminal_launch.h"
#include "terminal_passage.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include <langinfo.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t converterPid = 0;

// The window was closed (or the helper told to end): the converter goes with it, as a program
// in a console window does.
void endWithTheWindow(int signal)
{
    if (converterPid > 0)
        kill(converterPid, signal);
    _exit(128 + signal);
}

void writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string howItEnded(int status)
{
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return std::string(zoraven::kFinishedLine);
    if (WIFEXITED(status))
        return zoraven::failedLine(static_cast<unsigned long>(WEXITSTATUS(status)));
    const int signal = WTERMSIG(status);
    const char* abbreviation = sigabbrev_np(signal);
    const char* description = sigdescr_np(signal);
    return zoraven::stoppedLine("signal " + (abbreviation ? "SIG" + std::string(abbreviation) : std::to_string(signal))
        + (description ? " (" + std::string(description) + ")" : std::string()));
}

// Runs the converter in this terminal's session and process group, so that Ctrl+C reaches it.
std::string runConverter(const std::string& file, const std::vector<std::string>& argv)
{
    sigset_t windowSignals;
    sigset_t previous;
    sigemptyset(&windowSignals);
    sigaddset(&windowSignals, SIGHUP);
    sigaddset(&windowSignals, SIGTERM);
    // The pid is known before the window's signals can arrive.
    sigprocmask(SIG_BLOCK, &windowSignals, &previous);
    const pid_t pid = zoraven::spawnProgram(file, argv, zoraven::Session::Inherited);
    const int error = errno;
    converterPid = pid;
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (pid < 0)
        return zoraven::notStartedLine(std::strerror(error));

    // Waited for without being collected, so that its pid cannot be taken by another process
    // before the window's signal handler has forgotten it.
    siginfo_t ended {};
    while (waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT) < 0 && errno == EINTR) { }
    converterPid = 0;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return "Conversion ended, how is unknown (" + std::string(std::strerror(errno)) + ").";
    return howItEnded(status);
}

// Whatever started this process may have left signals ignored or blocked: SIGCHLD ignored makes
// every child's end unknowable, a blocked SIGTERM keeps a closed window's converter running.
void defaultSignalState()
{
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction action { };
        if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
            std::signal(signal, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

void waitForEnter()
{
    // What was typed while the converter ran was meant for it, not for this prompt.
    tcflush(STDIN_FILENO, TCIFLUSH);
    writeAll(STDOUT_FILENO, zoraven::kPressEnterLine);
    char key = 0;
    while (true) {
        const ssize_t got = read(STDIN_FILENO, &key, 1);
        if ((got < 0 && errno != EINTR) || got == 0 || (got == 1 && key == '\n'))
            return;
    }
}

// zoraven-maximize, beside this helper's own file, has the conversion's window maximized: the
// window of this terminal that is not among `windowsBefore`, or the one titled `title`.
void startMaximizer(const std::string& title, const std::vector<std::string>& windowsBefore)
{
    const std::string maximizer
        = zoraven::program_files::joinPath(zoraven::program_files::executableDirectory(), zoraven::kMaximizerName);
    std::vector<std::string> argv { maximizer, std::to_string(getppid()), title };
    argv.insert(argv.end(), windowsBefore.begin(), windowsBefore.end());
    const pid_t pid = zoraven::spawnProgram(maximizer, argv, zoraven::Session::Own);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
}

// The lines of `file`, where there is one.
std::vector<std::string> linesOf(const std::string& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    defaultSignalState();
    const std::span<char* const> arguments(argv + 1, static_cast<std::size_t>(argc - 1));
    if (!arguments.empty() && arguments.front() == zoraven::kLaunchOption) {
        if (arguments.size() < 4)
            return 2;
        return zoraven::launchInTerminal(
            argv[0], arguments[1], arguments[2], std::vector<std::string>(arguments.begin() + 3, arguments.end()));
    }

    std::optional<std::string> claim;
    bool maximize = false;
    bool windowStays = false;
    bool understood = true;
    std::vector<std::string> decoded;
    for (const std::string_view argument : arguments) {
        std::optional<std::string> bytes;
        if (argument.starts_with(zoraven::kClaimOption)) {
            claim = zoraven::decodeArgument(argument.substr(zoraven::kClaimOption.size()));
            understood = understood && claim;
        } else if (argument == zoraven::kMaximizeOption)
            maximize = true;
        else if (argument == zoraven::kWindowStaysOption)
            windowStays = true;
        else if ((bytes = zoraven::decodeArgument(argument)))
            decoded.push_back(std::move(*bytes));
        else
            understood = false;
    }
    if (!understood || decoded.size() < 3) {
        writeAll(STDOUT_FILENO, "zoraven-console runs the converter for ZORAVEN Frontend, which starts it.\n");
        waitForEnter();
        return 2;
    }
    const std::string& commandLine = decoded[0];
    const std::string& converter = decoded[1];
    const std::vector<std::string> converterArgv(decoded.begin() + 2, decoded.end());
    // Read while the claim holds the launcher's folder open for it.
    const std::vector<std::string> windowsBefore
        = claim ? linesOf(zoraven::windowsBeforeFile(*claim)) : std::vector<std::string>();
    if (claim && !zoraven::claimRun(*claim)) {
        // The launcher gave up on this terminal before it came up here, and has run the
        // conversion elsewhere: the window says where, and is read before it goes.
        writeAll(STDOUT_FILENO, zoraven::lateWindowNotice(*claim) + "\n");
        if (windowStays) {
            writeAll(STDOUT_FILENO, std::string(zoraven::kCloseNowLine) + "\n");
            return 0;
        }
        waitForEnter();
        return 0;
    }
    std::setlocale(LC_CTYPE, "");
    const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    const std::string shown = zoraven::displayText(commandLine, utf8);
    if (maximize)
        startMaximizer(shown, windowsBefore);

    struct sigaction closing { };
    closing.sa_handler = endWithTheWindow;
    sigemptyset(&closing.sa_mask);
    sigaction(SIGHUP, &closing, nullptr);
    sigaction(SIGTERM, &closing, nullptr);
    // Ctrl+C and Ctrl+\ are for the converter while it runs.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGQUIT, SIG_IGN);

    if (isatty(STDOUT_FILENO))
        writeAll(STDOUT_FILENO, "\033]0;" + shown + "\007");
    writeAll(STDOUT_FILENO, shown + "\n");

    termios terminal {};
    const bool haveTerminal = tcgetattr(STDIN_FILENO, &terminal) == 0;
    const std::string ending = runConverter(converter, converterArgv);
    // The converter may have left the terminal in a mode of its own.
    if (haveTerminal)
        tcsetattr(STDIN_FILENO, TCSANOW, &terminal);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGQUIT, SIG_DFL);

    writeAll(STDOUT_FILENO, "\n" + ending + "\n");
    // Where the terminal keeps its window, Enter would end the helper and leave the window.
    if (windowStays) {
        writeAll(STDOUT_FILENO, std::string(zoraven::kCloseNowLine) + "\n");
        return 0;
    }
    waitForEnter();
    return 0;
}
