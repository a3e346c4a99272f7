// SPDX-License-Identifier: GPL-3.0-or-later
// A saver file: the saver program with the package of one picture behind it.
#pragma once

#include <span>

#include "picture.h"

// The logical screen size of a GIF.
struct GifSize {
    int width;
    int height;
};

// A saver: program, header at 61440, one zero byte, then the GIF. With an
// empty `program` a file.dat: header at 0, one zero byte, the GIF at 393.
Bytes buildPackagedFile(std::span<const uint8_t> program, std::span<const uint8_t> gif, GifSize size);
