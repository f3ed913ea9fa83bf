// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The window's file-open dialog, played over Qt's (the platform's native one where there is
// one that shows the entries as written). InitDir is where the first opening starts; later ones
// start in the folder of the last choice. Filter holds "description|pattern" pairs, the first in
// force when the dialog opens; each entry reads exactly as its description.
class CommonDialog {
public:
    virtual ~CommonDialog() = default;

    QString InitDir;
    QString Filter;

    // Shows the modal dialog; returns once the user has chosen a file or cancelled. A cancel
    // leaves FileName as it was, so an earlier choice is never thrown away.
    void ShowOpen(QWidget* parent);
    QString FileName() const { return m_fileName; }

    // The dialog's title, the same whichever dialog draws it.
    static QString title();
    // The filter as Qt's name filters: each description as it is shown, then its patterns in
    // parentheses, which the dialog keeps out of sight ("Cdr-Win Image (*.bin) (*.bin)", ...).
    static QStringList nameFilters(const QString& filter);
    // Where the next opening starts.
    QString startDirectory() const;

protected:
    // Asks the user; an empty result means cancelled. Tests replace this.
    virtual QString askForFile(QWidget* parent, const QString& directory, const QStringList& filters);

private:
    QString m_fileName;
};
