// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "common_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

QStringList CommonDialog::nameFilters(const QString& filter)
{
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& patterns = parts[i + 1];
        // Qt reads the patterns from the parentheses of the description.
        const QString shown = QLatin1Char('(') + patterns + QLatin1Char(')');
        filters << (description.endsWith(shown) ? description : description + QLatin1Char(' ') + shown);
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
    QFileDialog dialog(parent, QString(), directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}
