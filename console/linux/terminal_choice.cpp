// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "terminal_choice.h"

#include "converter_launch.h"
#include "process_spawn.h"
#include "program_files.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace zoraven {

namespace {

std::string environmentOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

// The absolute folders of a colon-separated list; relative ones are ignored, as the XDG base
// directory rules say.
std::vector<std::string> absoluteFolders(std::string_view list)
{
    std::vector<std::string> folders;
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view folder = list.substr(0, colon);
        if (!folder.empty() && folder.front() == '/')
            folders.emplace_back(folder);
        list.remove_prefix(colon == std::string_view::npos ? list.size() : colon + 1);
    }
    return folders;
}

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> splitAt(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    while (!text.empty()) {
        const std::size_t at = text.find(separator);
        const std::string_view part = trimmed(text.substr(0, at));
        if (!part.empty())
            parts.emplace_back(part);
        text.remove_prefix(at == std::string_view::npos ? text.size() : at + 1);
    }
    return parts;
}

// Settings files are small: a file larger than this is not one.
constexpr std::size_t kLargestSettingsFile = 4 << 20;

std::optional<std::string> readFile(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text;
    text.resize(kLargestSettingsFile + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got > kLargestSettingsFile)
        return std::nullopt;
    text.resize(got);
    return text;
}

// The value of `key` in `group` of an INI-style file (desktop entries, KDE's and Qt's settings);
// an empty group means the lines before any group. Keys may carry KDE's flags ("Key[$e]"), not
// a locale. KDE's and Qt's escapes (\s, \t, \n, \\) are undone; quotes are left as they are.
std::optional<std::string> iniValue(const std::string& file, std::string_view group, std::string_view key)
{
    const std::optional<std::string> text = readFile(file);
    if (!text)
        return std::nullopt;
    std::istringstream lines(*text);
    std::string current;
    for (std::string line; std::getline(lines, line);) {
        const std::string_view entry = trimmed(line);
        if (entry.empty() || entry.front() == '#' || entry.front() == ';')
            continue;
        if (entry.front() == '[') {
            current = entry.substr(1, entry.find(']') - 1);
            continue;
        }
        const std::size_t equals = entry.find('=');
        if (current != group || equals == std::string_view::npos)
            continue;
        std::string_view name = trimmed(entry.substr(0, equals));
        if (name.ends_with(']') && name.find("[$") != std::string_view::npos)
            name = name.substr(0, name.find("[$"));
        if (name != key)
            continue;
        const std::string_view raw = trimmed(entry.substr(equals + 1));
        std::string value;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\' || i + 1 == raw.size()) {
                value += raw[i];
                continue;
            }
            const char escaped = raw[++i];
            value += escaped == 's' ? ' ' : escaped == 't' ? '\t' : escaped == 'n' ? '\n' : escaped;
        }
        return value;
    }
    return std::nullopt;
}

// The value of `key` in `group` of the first of `files` that has it.
std::optional<std::string> firstValue(
    const std::vector<std::string>& files, std::string_view group, std::string_view key)
{
    for (const std::string& file : files) {
        if (std::optional<std::string> value = iniValue(file, group, key))
            return value;
    }
    return std::nullopt;
}

std::vector<std::string> inConfigFolders(const ChoicePlaces& places, const std::string& name)
{
    std::vector<std::string> files { places.configHome + "/" + name };
    for (const std::string& folder : places.configDirs)
        files.push_back(folder + "/" + name);
    return files;
}

std::vector<std::string> inDataFolders(const ChoicePlaces& places, const std::string& name)
{
    std::vector<std::string> files { places.dataHome + "/" + name };
    for (const std::string& folder : places.dataDirs)
        files.push_back(folder + "/" + name);
    return files;
}

// The first word of a command: as written, or the part inside leading double quotes.
std::string firstWord(std::string_view command)
{
    command = trimmed(command);
    if (command.starts_with('"')) {
        const std::size_t end = command.find('"', 1);
        return std::string(command.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1));
    }
    return std::string(command.substr(0, command.find_first_of(" \t")));
}

// The file name of `program` (a name or a path) when it is installed: an executable file where
// a path is given, else found on PATH.
std::optional<std::string> installed(const ChoicePlaces& places, const std::string& program)
{
    if (program.empty())
        return std::nullopt;
    const std::size_t slash = program.rfind('/');
    if (slash != std::string::npos) {
        if (program.front() != '/' || !program_files::isProgramFile(program) || slash + 1 == program.size())
            return std::nullopt;
        return program.substr(slash + 1);
    }
    return findOnPath(places.path, program) ? std::optional(program) : std::nullopt;
}

std::optional<std::string> installedCommand(const ChoicePlaces& places, const std::optional<std::string>& command)
{
    return command ? installed(places, firstWord(*command)) : std::nullopt;
}

// The program of the desktop entry with id `id` (in the applications folders, the user's
// first), when it is installed and shown; with `terminalOnly`, only an entry of a terminal
// emulator counts.
std::optional<std::string> desktopEntryProgram(const ChoicePlaces& places, const std::string& id, bool terminalOnly)
{
    if (!id.ends_with(".desktop") || id.find('/') != std::string::npos)
        return std::nullopt;
    for (const std::string& file : inDataFolders(places, "applications/" + id)) {
        if (!readFile(file))
            continue;
        // The first entry found with this id is the entry, whatever it says.
        const auto value = [&](std::string_view key) { return iniValue(file, "Desktop Entry", key); };
        if (value("Hidden") == "true")
            return std::nullopt;
        if (terminalOnly) {
            const std::vector<std::string> categories = splitAt(value("Categories").value_or(""), ';');
            if (std::find(categories.begin(), categories.end(), "TerminalEmulator") == categories.end())
                return std::nullopt;
        }
        if (const std::optional<std::string> tryExec = value("TryExec"); tryExec && !installed(places, *tryExec))
            return std::nullopt;
        return installedCommand(places, value("Exec"));
    }
    return std::nullopt;
}

std::vector<std::string> kdeChoice(const ChoicePlaces& places)
{
    const std::vector<std::string> files = inConfigFolders(places, "kdeglobals");
    std::vector<std::string> chosen;
    if (const std::optional<std::string> service = firstValue(files, "General", "TerminalService")) {
        if (std::optional<std::string> program = desktopEntryProgram(places, *service, false))
            chosen.push_back(std::move(*program));
    }
    if (std::optional<std::string> program
        = installedCommand(places, firstValue(files, "General", "TerminalApplication")))
        chosen.push_back(std::move(*program));
    return chosen;
}

std::vector<std::string> xfceChoice(const ChoicePlaces& places)
{
    const std::optional<std::string> helper
        = firstValue(inConfigFolders(places, "xfce4/helpers.rc"), "", "TerminalEmulator");
    if (!helper || helper->empty())
        return {};
    // A helper's file names the programs it may run (X-XFCE-Binaries), the first installed of
    // which it runs, or its command.
    for (const std::string& file : inDataFolders(places, "xfce4/helpers/" + *helper + ".desktop")) {
        if (!readFile(file))
            continue;
        for (const std::string& binary :
            splitAt(iniValue(file, "Desktop Entry", "X-XFCE-Binaries").value_or(""), ';')) {
            if (std::optional<std::string> program = installed(places, binary))
                return { std::move(*program) };
        }
        const std::vector<std::string> commands
            = splitAt(iniValue(file, "Desktop Entry", "X-XFCE-Commands").value_or(""), ';');
        for (const std::string& command : commands) {
            if (std::optional<std::string> program = installed(places, firstWord(command)))
                return { std::move(*program) };
        }
        return {};
    }
    // No such helper: an older setting that names the command itself.
    if (std::optional<std::string> program = installed(places, firstWord(*helper)))
        return { std::move(*program) };
    return {};
}

std::vector<std::string> dconfChoice(const ChoicePlaces& places, std::string_view key)
{
    if (std::optional<std::string> program
        = installedCommand(places, dconfString(places.configHome + "/dconf/user", key)))
        return { std::move(*program) };
    return {};
}

std::vector<std::string> lxqtChoice(const ChoicePlaces& places)
{
    std::vector<std::string> chosen;
    if (const std::optional<std::string> entry
        = firstValue(inConfigFolders(places, "lxqt-qtxdg.conf"), "General", "TerminalEmulator")) {
        if (std::optional<std::string> program = desktopEntryProgram(places, *entry, true))
            chosen.push_back(std::move(*program));
    }
    if (std::optional<std::string> program
        = installedCommand(places, firstValue(inConfigFolders(places, "lxqt/session.conf"), "Environment", "TERM")))
        chosen.push_back(std::move(*program));
    return chosen;
}

std::string lowercase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

std::uint32_t littleEndian32(std::string_view bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

} // namespace

ChoicePlaces ChoicePlaces::ofThisProcess(std::string path)
{
    const std::string home = environmentOr("HOME", "");
    ChoicePlaces places;
    places.configHome = environmentOr("XDG_CONFIG_HOME", home + "/.config");
    places.configDirs = absoluteFolders(environmentOr("XDG_CONFIG_DIRS", "/etc/xdg"));
    places.dataHome = environmentOr("XDG_DATA_HOME", home + "/.local/share");
    places.dataDirs = absoluteFolders(environmentOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"));
    places.path = std::move(path);
    return places;
}

std::vector<std::string> desktopsChosenTerminals(const ChoicePlaces& places, std::string_view currentDesktop)
{
    std::vector<std::string> chosen;
    for (const std::string& desktop : splitAt(currentDesktop, ':')) {
        std::vector<std::string> programs;
        if (desktop == "KDE")
            programs = kdeChoice(places);
        else if (desktop == "XFCE")
            programs = xfceChoice(places);
        else if (desktop == "X-Cinnamon")
            programs = dconfChoice(places, "/org/cinnamon/desktop/applications/terminal/exec");
        else if (desktop == "MATE")
            programs = dconfChoice(places, "/org/mate/desktop/applications/terminal/exec");
        else if (desktop == "LXQt")
            programs = lxqtChoice(places);
        for (std::string& program : programs) {
            if (std::find(chosen.begin(), chosen.end(), program) == chosen.end())
                chosen.push_back(std::move(program));
        }
    }
    return chosen;
}

std::optional<std::string> listedTerminal(const ChoicePlaces& places, std::string_view currentDesktop)
{
    std::vector<std::string> names;
    for (const std::string& desktop : splitAt(currentDesktop, ':'))
        names.push_back(lowercase(desktop) + "-xdg-terminals.list");
    names.emplace_back("xdg-terminals.list");
    std::vector<std::string> folders { places.configHome };
    folders.insert(folders.end(), places.configDirs.begin(), places.configDirs.end());
    for (const std::string& folder : folders) {
        for (const std::string& name : names) {
            const std::optional<std::string> list = readFile(folder + "/" + name);
            if (!list)
                continue;
            for (const std::string& line : splitAt(*list, '\n')) {
                // Comments, exclusions ("-id") and directives ("/name") name no terminal; "+id"
                // keeps an entry from exclusion; "id:action" names an action of the entry.
                if (line.front() == '#' || line.front() == '-' || line.front() == '/')
                    continue;
                std::string id = line.front() == '+' ? line.substr(1) : line;
                id = id.substr(0, id.find(':'));
                if (std::optional<std::string> program = desktopEntryProgram(places, id, true))
                    return program;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> terminalEntryFor(const ChoicePlaces& places, std::string_view program)
{
    for (const std::string& folder : inDataFolders(places, "applications")) {
        std::error_code error;
        std::vector<std::string> ids;
        for (const auto& file : std::filesystem::directory_iterator(folder, error)) {
            std::string id = file.path().filename().string();
            if (id.ends_with(".desktop"))
                ids.push_back(std::move(id));
        }
        // The same entry whichever order the folder lists its files in.
        std::sort(ids.begin(), ids.end());
        for (const std::string& id : ids) {
            if (desktopEntryProgram(places, id, true) == program)
                return id;
        }
    }
    return std::nullopt;
}

std::optional<std::string> dconfString(const std::string& databaseFile, std::string_view key)
{
    // A GVDB file: a header (signature, version, options, the root table's start and end),
    // then a hash table of items whose keys are fragments chained to their parent's.
    const std::optional<std::string> file = readFile(databaseFile);
    if (!file || file->size() < 24 || file->compare(0, 8, "GVariant") != 0)
        return std::nullopt;
    const std::string_view bytes(*file);
    const std::uint32_t start = littleEndian32(bytes, 16);
    const std::uint32_t end = littleEndian32(bytes, 20);
    if (start > end || end > bytes.size() || end - start < 8)
        return std::nullopt;
    const std::uint64_t bloomWords = littleEndian32(bytes, start) & ((1U << 27) - 1);
    const std::uint64_t buckets = littleEndian32(bytes, start + 4);
    const std::uint64_t items = start + 8 + 4 * (bloomWords + buckets);
    if (items > end)
        return std::nullopt;
    constexpr std::size_t kItemSize = 24;
    const std::size_t count = (end - items) / kItemSize;
    const auto item = [&](std::size_t index) { return static_cast<std::size_t>(items) + index * kItemSize; };
    const auto fullKey = [&](std::size_t index) -> std::optional<std::string> {
        std::string name;
        for (std::size_t depth = 0; depth <= count; ++depth) {
            const std::size_t at = item(index);
            const std::uint32_t keyStart = littleEndian32(bytes, at + 8);
            const std::size_t keySize = static_cast<unsigned char>(bytes[at + 12])
                | (static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 13])) << 8);
            if (keyStart > bytes.size() || keySize > bytes.size() - keyStart)
                return std::nullopt;
            name.insert(0, bytes.substr(keyStart, keySize));
            const std::uint32_t parent = littleEndian32(bytes, at + 4);
            if (parent == 0xFFFFFFFFU)
                return name;
            if (parent >= count)
                return std::nullopt;
            index = parent;
        }
        return std::nullopt;
    };
    for (std::size_t index = 0; index < count; ++index) {
        const std::size_t at = item(index);
        if (bytes[at + 14] != 'v' || fullKey(index) != key)
            continue;
        const std::uint32_t valueStart = littleEndian32(bytes, at + 16);
        const std::uint32_t valueEnd = littleEndian32(bytes, at + 20);
        if (valueStart > valueEnd || valueEnd > bytes.size())
            return std::nullopt;
        // A variant: the value, a zero byte, and the value's type.
        const std::string_view variant = bytes.substr(valueStart, valueEnd - valueStart);
        const std::size_t typeAt = variant.rfind('\0');
        if (typeAt == std::string_view::npos || variant.substr(typeAt + 1) != "s")
            return std::nullopt;
        const std::string_view value = variant.substr(0, typeAt);
        const std::size_t nul = value.find('\0');
        if (nul == std::string_view::npos)
            return std::nullopt;
        return std::string(value.substr(0, nul));
    }
    return std::nullopt;
}

} // namespace zoraven
