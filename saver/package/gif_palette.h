// SPDX-License-Identifier: MIT
// The picture's colours: the global colour table of the GIF, read as 256
// palette entries whatever size the screen descriptor gives it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "package/palette_entry.h"

// The colour table follows the 6-byte header and the 7-byte screen descriptor.
constexpr int gifColourTableOffset = 13;
constexpr int gifColourTableSize = 3 * paletteSize;

// Sets red, green and blue of all 256 entries from the `count` bytes read at
// the colour table's offset (entry i from bytes 3i, 3i+1, 3i+2). Bytes the
// stream does not hold (a short read) count as 0, so that those entries are
// black. The flags bytes are left as they are.
void paletteFromColourTable(const uint8_t* bytes, size_t count, PaletteEntry* palette);
