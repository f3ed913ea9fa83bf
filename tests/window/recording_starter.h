// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The window tests' converter start, on both platforms: it starts nothing, notes each command it
// was given and answers with `result`.
#pragma once

#include <vector>

#include "conversion_request.h"

class RecordingStarter : public zoraven::ConverterStarter {
public:
    zoraven::LaunchResult result = zoraven::LaunchResult::Started;
    std::vector<zoraven::ConverterCommand> started;
    zoraven::LaunchResult start(const zoraven::ConverterCommand& command) override
    {
        started.push_back(command);
        return result;
    }
};
