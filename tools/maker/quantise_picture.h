// SPDX-License-Identifier: GPL-3.0-or-later
// Reducing a picture to 256 colours (libimagequant, built from source into
// this library so that its result depends on neither the CPU nor the C
// library: no SIMD path, no threads, a stable sort of its own).
#pragma once

#include <array>

#include "package/palette_entry.h"
#include "picture.h"

// A picture of palette indices with a full 256-entry palette.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;
    std::array<PaletteEntry, paletteSize> palette{};
    int coloursUsed = 0;  // entries that the quantiser produced; the rest repeat the saver's background colour
};

// `dither` from 0 (none) to 1 (full).
IndexedPicture quantisePicture(const RgbPicture& picture, double dither);
