// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "program_files.h"

#include <array>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace zoraven::program_files {

const char kPathSeparator = ':';

std::string executableDirectory()
{
    std::array<char, PATH_MAX> buffer {};
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0 || buffer[0] != '/')
        return {};
    // A deleted executable reads as "/dir/name (deleted)": the directory part still holds.
    const std::string exe(buffer.data(), static_cast<std::size_t>(length));
    const std::size_t slash = exe.rfind('/');
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

std::string pathVariable()
{
    if (const char* path = std::getenv("PATH"))
        return path;
    // What execvp would search without a PATH.
    std::array<char, 256> fallback {};
    confstr(_CS_PATH, fallback.data(), fallback.size());
    return fallback.data();
}

bool isAbsolute(std::string_view directory) { return !directory.empty() && directory.front() == '/'; }

std::string joinPath(std::string_view directory, std::string_view name)
{
    std::string file(directory);
    if (file.back() != '/')
        file += '/';
    file += name;
    return file;
}

std::string programFileName(std::string_view name) { return std::string(name); }

bool isProgramFile(const std::string& file)
{
    struct stat info { };
    return stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(file.c_str(), X_OK) == 0;
}

std::vector<std::string> consoleHelperDirectories(const std::string& ownDirectory)
{
    // Under libexec when installed, beside the front end in the build tree. The front end's own
    // directory has its links resolved, so ".." can be taken away as text.
    return { std::filesystem::path(joinPath(ownDirectory, ZORAVEN_LIBEXEC_FROM_BIN)).lexically_normal().string(),
        ownDirectory };
}

} // namespace zoraven::program_files
