// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "common_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include <dlfcn.h>

namespace {

// Whether GTK 3 is in the process, which is so when Qt's "gtk3" platform theme is in use (GNOME
// with qt6-gtk-platformtheme, or QT_QPA_PLATFORMTHEME=gtk3). Its native dialog, GTK's file
// chooser, names each filter entry by what comes before the first "(" of the name filter, so
// "Cdr-Win Image (*.bin)" can only ever read "Cdr-Win Image ": Qt's own dialog is used there.
bool gtkIsLoaded()
{
    void* gtk = dlopen("libgtk-3.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (!gtk)
        return false;
    dlclose(gtk);
    return true;
}

} // namespace

QString CommonDialog::title() { return QStringLiteral("Open"); }

QStringList CommonDialog::nameFilters(const QString& filter)
{
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Qt takes the patterns from the last parentheses and, with HideNameFilterDetails, shows
        // what comes before them; KDE's dialog shows the same. Qt separates patterns by blanks.
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

QString CommonDialog::startDirectory() const
{
    return m_fileName.isEmpty() ? InitDir : QFileInfo(m_fileName).absolutePath();
}

void CommonDialog::ShowOpen(QWidget* parent)
{
    const QString chosen = askForFile(parent, startDirectory(), nameFilters(Filter));
    if (!chosen.isEmpty())
        m_fileName = chosen;
}

QString CommonDialog::askForFile(QWidget* parent, const QString& directory, const QStringList& filters)
{
    QFileDialog dialog(parent, title(), directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (gtkIsLoaded())
        dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The first entry is in force without being selected: selecting it before KDE's dialog
    // has its entries makes that dialog warn on stderr that it cannot find it.
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}
