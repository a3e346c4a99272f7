// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a whole glimmer command in-process and keeps what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli.h"

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

inline ToolRun glimmer(const std::vector<std::string>& words)
{
    std::ostringstream out, err;
    Console console{out, err};
    const int status = runGlimmer(words, console);
    return ToolRun{status, out.str(), err.str()};
}

inline std::string describe(const ToolRun& run)
{
    return "status " + std::to_string(run.status) + "\nstdout: " + run.out + "\nstderr: " + run.err;
}
