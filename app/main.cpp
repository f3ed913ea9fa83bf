// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>

#include <optional>

#include <fcntl.h>
#include <unistd.h>

#include "converter_launch.h"
#include "main_window.h"

int main(int argc, char* argv[])
{
    // Started with standard streams closed (as some launchers do), the program's own files,
    // its display connection among them, would take their places and get its messages.
    for (const int stream : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO }) {
        if (fcntl(stream, F_GETFD) < 0)
            open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    }

    QApplication app(argc, argv);
    // No display name: Qt would append it to every window title.
    QApplication::setApplicationName(QString::fromLatin1(zoraven::kApplicationTitle));
    QApplication::setApplicationVersion(QStringLiteral(ZORAVEN_VERSION));
    // Ties the window to its desktop entry (and so its icon) on Wayland and X11 alike.
    QGuiApplication::setDesktopFileName(QStringLiteral(ZORAVEN_APP_ID));
    // The installed icon's own image, built in: looking it up in the icon theme would add
    // about a fifth to the start-up time.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/" ZORAVEN_APP_ID ".png")));

    zoraven::ConverterLauncher launcher;
    // Converters run on their own; this only collects each one's exit so none lingers as a zombie.
    std::optional<QSocketNotifier> reaping;
    if (launcher.reaper().notifyFd() >= 0) {
        reaping.emplace(launcher.reaper().notifyFd(), QSocketNotifier::Read);
        QObject::connect(
            &*reaping, &QSocketNotifier::activated, &app, [&launcher] { launcher.reaper().reapFinished(); });
    }

    Form1 window(launcher);
    window.show();
    return QApplication::exec();
}
