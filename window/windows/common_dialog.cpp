// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "common_dialog.h"

#include <shobjidl.h>

#include <algorithm>

namespace {

// Holds one COM interface and releases it.
template <typename Interface> class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com()
    {
        if (m_pointer)
            m_pointer->Release();
    }
    Interface* operator->() const { return m_pointer; }
    Interface** out() { return &m_pointer; }
    Interface* get() const { return m_pointer; }

private:
    Interface* m_pointer = nullptr;
};

std::wstring fullPath(std::wstring path)
{
    // Windows reads "/" as "\" anyway; Wine would read a path that starts with "/" as a Linux one.
    std::replace(path.begin(), path.end(), L'/', L'\\');
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    full.resize(length < size ? length : 0);
    return full;
}

} // namespace

std::vector<CommonDialog::FileType> CommonDialog::fileTypes(std::wstring_view filter)
{
    std::vector<std::wstring> parts;
    while (true) {
        const std::size_t bar = filter.find(L'|');
        parts.emplace_back(filter.substr(0, bar));
        if (bar == std::wstring_view::npos)
            break;
        filter.remove_prefix(bar + 1);
    }
    std::vector<FileType> types;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        types.push_back({ parts[i], parts[i + 1] });
    return types;
}

std::wstring CommonDialog::startFolder() const
{
    const std::size_t separator = m_fileName.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return fullPath(InitDir);
    std::wstring folder = m_fileName.substr(0, separator);
    // The top of a drive is "C:\"; "C:" would be the drive's current folder.
    if (folder.size() == 2 && folder[1] == L':')
        folder += L'\\';
    return folder;
}

void CommonDialog::ShowOpen(HWND owner)
{
    if (std::optional<std::wstring> chosen = askForFile(owner, startFolder(), fileTypes(Filter)))
        m_fileName = std::move(*chosen);
}

std::optional<std::wstring> CommonDialog::askForFile(
    HWND owner, const std::wstring& folder, const std::vector<FileType>& types)
{
    Com<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(dialog.out()))))
        return std::nullopt;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    // A file of the file system that exists; the program's current folder and the user's list
    // of recent files stay as they were.
    dialog->SetOptions(
        options | FOS_FORCEFILESYSTEM | FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR | FOS_DONTADDTORECENT);
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const FileType& type : types)
        specs.push_back({ type.description.c_str(), type.patterns.c_str() });
    if (!specs.empty()) {
        dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
        dialog->SetFileTypeIndex(1);
    }
    // The dialog would otherwise start where it was last used, in this or an earlier run.
    Com<IShellItem> start;
    if (SUCCEEDED(SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_PPV_ARGS(start.out()))))
        dialog->SetFolder(start.get());

    if (FAILED(dialog->Show(owner)))
        return std::nullopt;
    Com<IShellItem> result;
    PWSTR path = nullptr;
    if (FAILED(dialog->GetResult(result.out())) || FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, &path)))
        return std::nullopt;
    std::wstring chosen(path);
    CoTaskMemFree(path);
    return chosen;
}
