// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file reads for the tool. (Outputs are written by output_file.h.)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Reads a whole file; fails with a clear message, the system's reason
// included, when it cannot.
Bytes readWholeFile(const std::string& path);
