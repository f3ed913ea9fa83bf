// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Lets org.gnome.Shell.Eval answer in the test's own session, so that it can read the windows.
// The form GNOME Shell 43 and 44 load; the test installs it as extension.js there.
function init() {
    return {
        enable() { global.context.unsafe_mode = true; },
        disable() { global.context.unsafe_mode = false; },
    };
}
