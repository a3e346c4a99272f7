// Whole-file reads and safe writes for the tool.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Reads a whole file; fails with a clear message when it cannot.
Bytes readWholeFile(const std::string& path);

// Writes through a temporary file beside the target and renames it into place,
// so that a failed write never leaves a half-written file behind.
void writeWholeFile(const std::string& path, std::span<const uint8_t> bytes);

// Refuses an output that cannot be written (a folder, or a file in a folder
// that does not exist or cannot be written to), before any work is done.
void refuseUnwritableOutput(const std::string& output);

// Refuses to write `output` when it names the same file as `input`.
void refuseOverwritingInput(const std::string& input, const std::string& output);

// The directory of the running tool.
std::filesystem::path toolDirectory();
