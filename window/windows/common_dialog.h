// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

// The window's file-open dialog, played over Windows' own Open dialog. InitDir is where the first
// opening starts, read as Windows reads a path (so "/" is the top of the current drive); later
// ones start in the folder of the last choice. Filter holds "description|pattern" pairs, the
// first in force when the dialog opens; each entry reads exactly as its description.
class CommonDialog {
public:
    struct FileType {
        std::wstring description;
        std::wstring patterns;
    };

    virtual ~CommonDialog() = default;

    std::wstring InitDir;
    std::wstring Filter;

    // Shows the modal dialog; returns once the user has chosen a file or cancelled. A cancel
    // leaves FileName as it was, so an earlier choice is never thrown away.
    void ShowOpen(HWND owner);
    const std::wstring& FileName() const { return m_fileName; }

    // Where the next opening starts: a full path.
    std::wstring startFolder() const;
    static std::vector<FileType> fileTypes(std::wstring_view filter);

protected:
    // Asks the user; nothing means cancelled. Tests replace this.
    virtual std::optional<std::wstring> askForFile(
        HWND owner, const std::wstring& folder, const std::vector<FileType>& types);

private:
    std::wstring m_fileName;
};
