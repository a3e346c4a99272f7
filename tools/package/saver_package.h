// SPDX-License-Identifier: GPL-3.0-or-later
// A saver file: the saver program with the package of one picture behind it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "bytes.h"

// The logical screen size of a GIF.
struct GifSize {
    int width;
    int height;
};

// The screen size a GIF's header gives (bytes 6 to 9); none when `gif` is
// shorter than a header or does not start with "GIF".
std::optional<GifSize> gifScreenSize(std::span<const uint8_t> gif);

// A saver: program, header at 61440, one zero byte, then the GIF. With an
// empty `program` a file.dat: header at 0, one zero byte, the GIF at 393.
// Refused (SaverFileError) when the file would pass the package's 2 GB reach.
Bytes buildPackagedFile(std::span<const uint8_t> program, std::span<const uint8_t> gif, GifSize size);
