// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file reads for the tool. (Outputs are written by output_file.h.)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Reads a whole file; fails with a clear message, the system's reason
// included, when it cannot.
Bytes readWholeFile(const std::string& path);

// The same, refusing a file of more than `largest` bytes before reading it
// (or as soon as a device has given that much): "... larger than N MB, more
// than <what>".
Bytes readWholeFile(const std::string& path, uint64_t largest, std::string_view what);

// The first `count` bytes of a regular file (fewer when it is shorter); none
// of a device or pipe, which cannot be read twice.
Bytes readFileStart(const std::string& path, size_t count);
