// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "converter_launch.h"
#include "display_choice.h"
#include "main_window.h"
#include "process_spawn.h"

namespace {

QtMessageHandler qtMessageHandler = nullptr;

// The displays that Qt tried, as the environment names them.
std::string displaysTried()
{
    std::string tried;
    for (const char* name : { "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY" }) {
        if (const char* value = std::getenv(name))
            tried += (tried.empty() ? "" : ", ") + std::string(name) + "=" + value;
    }
    return tried.empty() ? "neither WAYLAND_DISPLAY nor DISPLAY is set" : tried;
}

// While the application starts, a fatal message means that no display could be reached: Qt's
// own lines have said which, and Qt would now abort, which desktops file as a crash.
void noDisplayIsNoCrash(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        qtMessageHandler(type, context, message);
        return;
    }
    std::fprintf(stderr, "zoraven-frontend: cannot connect to a display (%s)\n", displaysTried().c_str());
    std::_Exit(EXIT_FAILURE);
}

} // namespace

int main(int argc, char* argv[])
{
    // Started with standard streams closed (as some launchers do), the program's own files,
    // its display connection among them, would take their places and get its messages.
    for (const int stream : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO }) {
        if (fcntl(stream, F_GETFD) < 0)
            open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    }

    // Chosen with an argument rather than QT_QPA_PLATFORM, so that the choice never reaches the
    // terminals and converters started from here; Wayland remains should XWayland fail.
    std::vector<char*> arguments(argv, argv + argc);
    char platformOption[] = "-platform";
    char xwaylandFirst[] = "xcb;wayland";
    if (zoraven::runThroughXWayland()) {
        arguments.insert(arguments.begin() + 1, { platformOption, xwaylandFirst });
        argc += 2;
    }
    arguments.push_back(nullptr);

    qtMessageHandler = qInstallMessageHandler(noDisplayIsNoCrash);
    QApplication app(argc, arguments.data());
    qInstallMessageHandler(qtMessageHandler);
    // No display name: Qt would append it to every window title.
    QApplication::setApplicationName(QString::fromLatin1(zoraven::kApplicationTitle));
    QApplication::setApplicationVersion(QStringLiteral(ZORAVEN_VERSION));
    // Ties the window to its desktop entry (and so its icon) on Wayland and X11 alike.
    QGuiApplication::setDesktopFileName(QStringLiteral(ZORAVEN_APP_ID));
    // The installed icon's own image, built in: looking it up in the icon theme would add
    // about a fifth to the start-up time.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/" ZORAVEN_APP_ID ".png")));

    zoraven::DetachedSpawn programs;
    zoraven::ConverterLauncher launcher(programs);
    // Converters run on their own; this only collects each one's exit so none lingers as a zombie.
    std::optional<QSocketNotifier> reaping;
    if (programs.reaper().notifyFd() >= 0) {
        reaping.emplace(programs.reaper().notifyFd(), QSocketNotifier::Read);
        QObject::connect(
            &*reaping, &QSocketNotifier::activated, &app, [&programs] { programs.reaper().reapFinished(); });
    }

    Form1 window(launcher);
    window.show();
    return QApplication::exec();
}
