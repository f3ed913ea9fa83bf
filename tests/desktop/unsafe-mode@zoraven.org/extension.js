// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Lets org.gnome.Shell.Eval answer in the test's own session, so that it can read the windows.
// GNOME Shell 45 and later load only this form, an ES module; 43 and 44 load extension-43.js.
import { Extension } from 'resource:///org/gnome/shell/extensions/extension.js';

export default class UnsafeMode extends Extension {
    enable() { global.context.unsafe_mode = true; }
    disable() { global.context.unsafe_mode = false; }
}
