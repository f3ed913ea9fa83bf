// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Compiled only by the test that proves it cannot be: the request library gives no way to
// the widgets.
#include <QtWidgets/QWidget>

int main()
{
    QWidget widget;
    return 0;
}
