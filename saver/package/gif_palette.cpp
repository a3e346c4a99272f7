// SPDX-License-Identifier: MIT
#include "package/gif_palette.h"

void paletteFromColourTable(const uint8_t* bytes, size_t count, PaletteEntry* palette)
{
    for (int entry = 0; entry < paletteSize; ++entry) {
        uint8_t colour[3];
        for (int component = 0; component < 3; ++component) {
            const size_t at = size_t(entry) * 3 + size_t(component);
            colour[component] = at < count ? bytes[at] : 0;
        }
        palette[entry].red = colour[0];
        palette[entry].green = colour[1];
        palette[entry].blue = colour[2];
    }
}
