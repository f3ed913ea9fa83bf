// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "program_files.h"

#include "wide_text.h"

#include <windows.h>

namespace zoraven::program_files {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Windows' own PATH editor may keep an entry in double quotes, as cmd.exe reads them.
std::string_view unquoted(std::string_view directory)
{
    if (directory.size() >= 2 && directory.front() == '"' && directory.back() == '"')
        return directory.substr(1, directory.size() - 2);
    return directory;
}

} // namespace

const char kPathSeparator = ';';

std::string executableDirectory()
{
    std::wstring exe(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (length == 0)
            return {};
        if (length < exe.size()) {
            exe.resize(length);
            break;
        }
        exe.resize(exe.size() * 2);
    }
    const std::size_t separator = exe.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return {};
    // A program at the top of a drive keeps its directory's backslash: "C:\".
    const bool driveRoot = separator == 2 && exe[1] == L':';
    return toUtf8(std::wstring_view(exe).substr(0, driveRoot ? separator + 1 : separator));
}

std::string pathVariable()
{
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size == 0)
        return {};
    std::wstring path(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"PATH", path.data(), size);
    path.resize(length < size ? length : 0);
    return toUtf8(path);
}

bool isAbsolute(std::string_view directory)
{
    directory = unquoted(directory);
    // "C:\dir", or a network or device path ("\\server\share", "\\?\C:\dir"); never "\dir" or
    // "C:dir", which depend on the current drive or on its current directory.
    const bool driveAbsolute = directory.size() >= 3 && ((directory[0] | 0x20) >= 'a' && (directory[0] | 0x20) <= 'z')
        && directory[1] == ':' && isSeparator(directory[2]);
    const bool network = directory.size() >= 3 && isSeparator(directory[0]) && isSeparator(directory[1]);
    return driveAbsolute || network;
}

std::string joinPath(std::string_view directory, std::string_view name)
{
    std::string file(unquoted(directory));
    if (file.empty() || !isSeparator(file.back()))
        file += '\\';
    file += name;
    return file;
}

std::string programFileName(std::string_view name) { return std::string(name) + ".exe"; }

bool isProgramFile(const std::string& file)
{
    // Opened, so that a link counts by what it leads to; a folder opens only with backup semantics.
    const HANDLE handle = CreateFileW(toWide(file).c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
        nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information {};
    const bool regular = GetFileInformationByHandle(handle, &information)
        && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && GetFileType(handle) == FILE_TYPE_DISK;
    CloseHandle(handle);
    return regular;
}

std::vector<std::string> consoleHelperDirectories(const std::string& ownDirectory) { return { ownDirectory }; }

} // namespace zoraven::program_files
