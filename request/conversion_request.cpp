// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "conversion_request.h"

#include <exception>

namespace zoraven {

const FormatEntry& formatEntry(Standard standard)
{
    for (const FormatEntry& entry : kFormatTable) {
        if (entry.standard == standard)
            return entry;
    }
    std::terminate(); // every Standard has a row
}

std::string composeCommandLine(std::string_view formatFlag, std::string_view imagePath)
{
    std::string line(kConverterName);
    line += formatFlag;
    line += imagePath;
    return line;
}

std::optional<ConverterCommand> converterCommand(std::string_view formatFlag, const ImagePath& imagePath)
{
    for (const FormatEntry& entry : kFormatTable) {
        if (entry.flag == formatFlag) {
            return ConverterCommand { composeCommandLine(formatFlag, imagePath),
                { std::string(kConverterName), std::string(entry.option), imagePath } };
        }
    }
    return std::nullopt;
}

ConversionRequest::ConversionRequest(RequestHost& host, ConverterStarter& starter)
    : m_host(host)
    , m_starter(starter)
{
}

void ConversionRequest::selectFormat(Standard standard)
{
    const FormatFlag flag(formatEntry(standard).flag);
    if (m_host.formatFlag() != flag)
        m_host.setFormatFlag(flag);
}

void ConversionRequest::requestConversion()
{
    // The dialog's file name decides, not whatever the text box shows.
    if (m_host.imagePath().empty()) {
        m_host.ShowNotice(kNoImageNotice);
        return;
    }
    CheckFormat();
}

void ConversionRequest::CheckFormat()
{
    if (m_host.formatFlag().empty()) {
        m_host.ShowNotice(kNoFormatNotice);
        return;
    }
    StartConverter();
}

void ConversionRequest::StartConverter()
{
    LaunchResult result = LaunchResult::Failed;
    // A converter that cannot be found is the one failure the user is told about;
    // any other, from reading the choices to starting the program, ends the request quietly.
    try {
        const FormatFlag flag = m_host.formatFlag();
        const ImagePath path = m_host.imagePath();
        if (const std::optional<ConverterCommand> command = converterCommand(flag, path))
            result = m_starter.start(*command);
    } catch (const std::exception&) {
        return;
    }
    if (result == LaunchResult::NotFound)
        m_host.ShowNotice(kConverterMissingNotice);
}

} // namespace zoraven
