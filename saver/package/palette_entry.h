// SPDX-License-Identifier: MIT
#pragma once

#include <stdint.h>

// One display palette entry, byte for byte the platform's PALETTEENTRY
// (red, green, blue, flags), so that the picture's colours can be read and
// used without any Windows header.
struct PaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

constexpr int paletteSize = 256;
