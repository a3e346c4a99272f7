// SPDX-License-Identifier: GPL-3.0-or-later
// How reading a saver, a file.dat or a GIF for the saver's start-up refuses
// it: one message that says why. glimmer turns this into its exit status 2,
// the web page into a message in the page.
#pragma once

#include <stdexcept>
#include <string>

struct SaverFileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void refuseSaverFile(const std::string& message)
{
    throw SaverFileError(message);
}
