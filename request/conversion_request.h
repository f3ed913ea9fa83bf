// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zoraven {

// The image's full path exactly as the file dialog reported it: raw bytes,
// never trimmed, quoted or checked. Empty until a file has been chosen.
using ImagePath = std::string;

// The option text handed to the converter: "" (nothing chosen yet), " -n " or " -p ".
using FormatFlag = std::string;

enum class Standard { NTSC, PAL };

inline constexpr std::string_view kConverterName = "zoraven";

// The program's name, and the caption of every notice.
inline constexpr std::string_view kApplicationTitle = "ZORAVEN Frontend";

inline constexpr std::string_view kNoImageNotice = "please select an Image";
inline constexpr std::string_view kNoFormatNotice = "please select the format you wish to convert the image to";
inline constexpr std::string_view kConverterMissingNotice
    = "You must place ZORVEN.EXE in the same directoy as this frontend.";

// The only source of format flags.
struct FormatEntry {
    Standard standard;
    std::string_view caption; // what the option button shows
    std::string_view flag; // stored as the FormatFlag
    std::string_view option; // the converter's own argument: the flag without its blanks
};

inline constexpr FormatEntry kFormatTable[] = {
    { Standard::NTSC, "NTSC", " -n ", "-n" },
    { Standard::PAL, "PAL", " -p ", "-p" },
};

const FormatEntry& formatEntry(Standard standard);

// The readable form of a request: "zoraven" + flag + path, nothing added.
std::string composeCommandLine(std::string_view formatFlag, std::string_view imagePath);

// One start of the converter.
struct ConverterCommand {
    std::string commandLine; // the readable form, for people; never executed or split
    std::vector<std::string> arguments; // {"zoraven", "-n" or "-p", path}: the path one argument, byte for byte
};

// Nothing when the flag is not one of the table's.
std::optional<ConverterCommand> converterCommand(std::string_view formatFlag, const ImagePath& imagePath);

// What the window supplies: the two choices it holds, and its message box.
class RequestHost {
public:
    virtual ~RequestHost() = default;
    virtual ImagePath imagePath() const = 0;
    virtual FormatFlag formatFlag() const = 0;
    virtual void setFormatFlag(const FormatFlag& flag) = 0;
    virtual void ShowNotice(std::string_view text) = 0;
};

enum class LaunchResult { Started, NotFound, Failed };

// Starts the converter and returns without waiting.
class ConverterStarter {
public:
    virtual ~ConverterStarter() = default;
    virtual LaunchResult start(const ConverterCommand& command) = 0;
};

// The rules of a conversion request. Keeps no copy of either choice: both are read
// from the host at the moment they are needed.
class ConversionRequest {
public:
    ConversionRequest(RequestHost& host, ConverterStarter& starter);

    void selectFormat(Standard standard);

    // The action behind "CONVERT IMAGE": the image check, then CheckFormat.
    void requestConversion();

private:
    // The later stages of a request, each entered only when the one before has passed.
    void CheckFormat();
    void StartConverter();

    RequestHost& m_host;
    ConverterStarter& m_starter;
};

} // namespace zoraven
