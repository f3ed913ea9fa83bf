// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline for the window benchmarks: the same widgets at the same places with the same
// font, and nothing else; its CONVERT IMAGE button starts the program named by its first
// argument with a bare posix_spawn.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <spawn.h>

extern char** environ;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.setFixedSize(386, 168);
    QFont font(QStringLiteral("Liberation Sans Narrow"));
    font.setPixelSize(12);
    window.setFont(font);
    (new QLabel(QStringLiteral("Image location"), &window))->setGeometry(8, 32, 73, 17);
    (new QLineEdit(&window))->setGeometry(88, 32, 161, 19);
    (new QPushButton(QStringLiteral("Browse"), &window))->setGeometry(256, 32, 113, 25);
    (new QLabel(QStringLiteral("Convert Image To:"), &window))->setGeometry(8, 88, 89, 17);
    (new QRadioButton(QStringLiteral("NTSC"), &window))->setGeometry(104, 88, 57, 25);
    (new QRadioButton(QStringLiteral("PAL"), &window))->setGeometry(104, 120, 57, 17);
    auto* convert = new QPushButton(QStringLiteral("CONVERT IMAGE"), &window);
    convert->setGeometry(256, 88, 113, 41);

    char name[] = "zoraven";
    char option[] = "-p";
    char image[] = "/img/disc.bin";
    char* arguments[] = { name, option, image, nullptr };
    const QByteArray program = argc > 1 ? QByteArray(argv[1]) : QByteArray("/bin/true");
    QObject::connect(convert, &QPushButton::clicked, &window, [&] {
        pid_t pid = -1;
        posix_spawn(&pid, program.constData(), nullptr, nullptr, arguments, environ);
    });
    window.show();
    return app.exec();
}
