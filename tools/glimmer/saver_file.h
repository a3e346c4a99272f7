// SPDX-License-Identifier: GPL-3.0-or-later
// Building and reading saver files and file.dat packages.
#pragma once

#include <optional>
#include <string>

#include "cli.h"
#include "file_io.h"
#include "package/package_format.h"
#include "package_file.h"
#include "saver_package.h"

// The padded 32-bit saver program: from --stub, or the one carried inside the tool.
Bytes loadSaverProgram(const std::optional<std::string>& stubPath);

// What a command that packs reads: the picture, and the --stub program if given.
std::vector<std::string> inputsAndStub(const std::string& picture, const std::optional<std::string>& stub);
