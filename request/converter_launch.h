// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "conversion_request.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zoraven {

// Where programs are looked for: the front end's own directory first, then PATH.
struct SearchPlaces {
    std::string ownDirectory; // absolute, links resolved; empty when unknown
    std::string path; // a PATH value

    // The directory of this process's executable, and its PATH.
    static SearchPlaces ofThisProcess();
};

// The first program file `name` (a bare name, such as "zoraven"; on Windows "zoraven.exe" is looked
// for) in the absolute directories of `path`, in order. Empty and relative entries are skipped, so
// nothing is ever run from the current directory.
std::optional<std::string> findOnPath(std::string_view path, std::string_view name);

// The program beside the front end, or else the first one on PATH.
std::optional<std::string> findProgram(const SearchPlaces& places, std::string_view name);

// The converter's window is opened by the console helper, zoraven-console, installed with the
// front end. The front end starts it as
//   zoraven-console --launch COMMAND-LINE CONVERTER ARGV0 ARGV...
// with the converter's file and argument vector as they are, and leaves the rest to it: on Linux
// which terminal and how it is started, on Windows the console that it is started in already.
inline constexpr std::string_view kConsoleHelperName = "zoraven-console";
inline constexpr std::string_view kLaunchOption = "--launch";

// The console helper installed with the front end in `ownDirectory`, or nothing.
std::optional<std::string> findConsoleHelper(const std::string& ownDirectory);

// Starts one program on its own, in the way of the platform (request/linux, request/windows):
// it runs on after the front end has ended, and nobody waits for it.
class DetachedStart {
public:
    virtual ~DetachedStart() = default;
    // False when it could not be started.
    virtual bool start(const std::string& file, const std::vector<std::string>& argv) = 0;
};

// Starts the converter and returns without waiting: through the console helper, which gives it a
// window, or directly where the helper is not installed.
class ConverterLauncher : public ConverterStarter {
public:
    explicit ConverterLauncher(DetachedStart& programs, SearchPlaces places = SearchPlaces::ofThisProcess());

    LaunchResult start(const ConverterCommand& command) override;

private:
    DetachedStart& m_programs;
    SearchPlaces m_places;
};

} // namespace zoraven
