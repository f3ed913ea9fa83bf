// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// zoraven-console: what the converter's terminal window runs. It shows the command line, runs
// the converter in the window, says how the conversion ended, and keeps the window open until
// the user presses Enter.
//   zoraven-console COMMAND-LINE CONVERTER ARGV0 ARGV...   (each argument encoded by the front end)
#include "converter_launch.h"
#include "terminal_passage.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
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
        return "Conversion finished successfully.";
    if (WIFEXITED(status))
        return "Conversion failed: zoraven exited with status " + std::to_string(WEXITSTATUS(status)) + ".";
    const int signal = WTERMSIG(status);
    const char* abbreviation = sigabbrev_np(signal);
    const char* description = sigdescr_np(signal);
    return "Conversion stopped: zoraven was ended by signal "
        + (abbreviation ? "SIG" + std::string(abbreviation) : std::to_string(signal))
        + (description ? " (" + std::string(description) + ")" : std::string()) + ".";
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
        return "Conversion not started: zoraven could not be started (" + std::string(std::strerror(error)) + ").";

    // Waited for without being collected, so that its pid cannot be taken by another process
    // before the window's signal handler has forgotten it.
    siginfo_t ended {};
    while (waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    converterPid = 0;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return "Conversion ended, how is unknown (" + std::string(std::strerror(errno)) + ").";
    return howItEnded(status);
}

void waitForEnter()
{
    // What was typed while the converter ran was meant for it, not for this prompt.
    tcflush(STDIN_FILENO, TCIFLUSH);
    writeAll(STDOUT_FILENO, "Press Enter to close this window.");
    char key = 0;
    while (true) {
        const ssize_t got = read(STDIN_FILENO, &key, 1);
        if ((got < 0 && errno != EINTR) || got == 0 || (got == 1 && key == '\n'))
            return;
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_CTYPE, "");
    const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;

    std::vector<std::string> decoded;
    for (int i = 1; i < argc; ++i) {
        if (std::optional<std::string> argument = zoraven::decodeArgument(argv[i]))
            decoded.push_back(std::move(*argument));
    }
    if (argc < 4 || decoded.size() != static_cast<std::size_t>(argc - 1)) {
        writeAll(STDOUT_FILENO, "zoraven-console runs the converter for ZORAVEN Frontend, which starts it.\n");
        waitForEnter();
        return 2;
    }
    const std::string& commandLine = decoded[0];
    const std::string& converter = decoded[1];
    const std::vector<std::string> converterArgv(decoded.begin() + 2, decoded.end());

    struct sigaction closing { };
    closing.sa_handler = endWithTheWindow;
    sigemptyset(&closing.sa_mask);
    sigaction(SIGHUP, &closing, nullptr);
    sigaction(SIGTERM, &closing, nullptr);
    // Ctrl+C and Ctrl+\ are for the converter while it runs.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGQUIT, SIG_IGN);

    const std::string shown = zoraven::displayText(commandLine, utf8);
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
    waitForEnter();
    return 0;
}
