// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The program's icon, in its resources (app/windows/zoraven-frontend.rc), which the window shows.
#define ZORAVEN_ICON 1
