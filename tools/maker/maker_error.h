// SPDX-License-Identifier: GPL-3.0-or-later
// How a step of the maker refuses its input: one message that says why, for
// the person who gave the picture. The maker knows no command line: `glimmer
// make` turns this into its exit status 2, the web page into a message.
#pragma once

#include <stdexcept>
#include <string>

struct MakeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void refuse(const std::string& message)
{
    throw MakeError(message);
}
