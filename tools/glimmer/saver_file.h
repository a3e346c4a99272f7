// Building and reading saver files and file.dat packages.
#pragma once

#include <optional>
#include <string>

#include "cli.h"
#include "file_io.h"
#include "package/package_format.h"
#include "saver_package.h"

// The padded 32-bit saver program: from --stub, or the one carried inside the tool.
Bytes loadSaverProgram(const std::optional<std::string>& stubPath);

// The logical screen size of a GIF; fails unless `gif` starts like a GIF.
GifSize readGifScreenSize(std::span<const uint8_t> gif);

// Refuses a record of `size` that glimmer preview and play cannot show; with
// `force` it warns in one line instead.
void refuseUnshowableRecord(GifSize size, bool force, Console& console);

// What a command that packs reads: the picture, and the --stub program if given.
std::vector<std::string> inputsAndStub(const std::string& picture, const std::optional<std::string>& stub);

// Where a file's package header starts: 0 for a file.dat (its first bytes are
// the magic, or `external` says so), 61440 for a saver.
long packageStartOf(std::span<const uint8_t> file, bool external);

// Reads a file's package header with the saver's reader; fails with a message
// when the file is too short, the magic is wrong or the header ends early.
ImagePackage readPackageOf(std::span<const uint8_t> file, long start, const std::string& path);
