// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "notice_box.h"

#include <QMessageBox>

#include "conversion_request.h"

void NoticeBox::show(QWidget* parent, const QString& text)
{
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromLatin1(zoraven::kApplicationTitle));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
