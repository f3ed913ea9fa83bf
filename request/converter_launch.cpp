// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "converter_launch.h"

#include "program_files.h"

namespace zoraven {

SearchPlaces SearchPlaces::ofThisProcess()
{
    return { program_files::executableDirectory(), program_files::pathVariable() };
}

std::optional<std::string> findOnPath(std::string_view path, std::string_view name)
{
    const std::string file = program_files::programFileName(name);
    while (true) {
        const std::size_t separator = path.find(program_files::kPathSeparator);
        const std::string_view directory = path.substr(0, separator);
        // Empty and relative entries mean the current directory, which is never searched.
        if (program_files::isAbsolute(directory)) {
            std::string candidate = program_files::joinPath(directory, file);
            if (program_files::isProgramFile(candidate))
                return candidate;
        }
        if (separator == std::string_view::npos)
            return std::nullopt;
        path.remove_prefix(separator + 1);
    }
}

std::optional<std::string> findProgram(const SearchPlaces& places, std::string_view name)
{
    if (program_files::isAbsolute(places.ownDirectory)) {
        std::string beside = program_files::joinPath(places.ownDirectory, program_files::programFileName(name));
        if (program_files::isProgramFile(beside))
            return beside;
    }
    return findOnPath(places.path, name);
}

std::optional<std::string> findConsoleHelper(const std::string& ownDirectory)
{
    if (!program_files::isAbsolute(ownDirectory))
        return std::nullopt;
    for (const std::string& directory : program_files::consoleHelperDirectories(ownDirectory)) {
        std::string helper = program_files::joinPath(directory, program_files::programFileName(kConsoleHelperName));
        if (program_files::isProgramFile(helper))
            return helper;
    }
    return std::nullopt;
}

ConverterLauncher::ConverterLauncher(DetachedStart& programs, SearchPlaces places)
    : m_programs(programs)
    , m_places(std::move(places))
{
}

LaunchResult ConverterLauncher::start(const ConverterCommand& command)
{
    if (command.arguments.empty())
        return LaunchResult::Failed;
    const std::optional<std::string> converter = findProgram(m_places, command.arguments.front());
    if (!converter)
        return LaunchResult::NotFound;

    // Looked for at each start: konsole and qterminal open a shell in place of a program they
    // cannot start, so the helper must be there when the terminal runs it.
    if (const std::optional<std::string> helper = findConsoleHelper(m_places.ownDirectory)) {
        std::vector<std::string> launch { *helper, std::string(kLaunchOption), command.commandLine, *converter };
        launch.insert(launch.end(), command.arguments.begin(), command.arguments.end());
        if (m_programs.start(*helper, launch))
            return LaunchResult::Started;
    }
    return m_programs.start(*converter, command.arguments) ? LaunchResult::Started : LaunchResult::Failed;
}

} // namespace zoraven
