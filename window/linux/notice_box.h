// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

class QWidget;

// The window's notices: a modal message box with the text, one OK button and no icon.
class NoticeBox {
public:
    virtual ~NoticeBox() = default;
    // Returns once the user has dismissed the box.
    virtual void show(QWidget* parent, const QString& text);
};
