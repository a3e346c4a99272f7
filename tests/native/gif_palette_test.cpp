// SPDX-License-Identifier: GPL-3.0-or-later
// The colour table rule: 256 entries from the 768 bytes at offset 13, whatever
// the screen descriptor says; bytes the stream lacks make black.
#include <gtest/gtest.h>

#include <vector>

#include "package/gif_palette.h"

namespace {

std::vector<uint8_t> tableBytes(size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = uint8_t(i * 37 + 11);
    return bytes;
}

}  // namespace

TEST(GifPalette, EntryIGetsBytes3iTo3iPlus2AndKeepsItsFlags)
{
    const auto bytes = tableBytes(gifColourTableSize);
    PaletteEntry palette[paletteSize];
    for (int i = 0; i < paletteSize; ++i)
        palette[i] = PaletteEntry{1, 2, 3, uint8_t(i ^ 0x5A)};
    paletteFromColourTable(bytes.data(), bytes.size(), palette);
    for (int i = 0; i < paletteSize; ++i) {
        EXPECT_EQ(palette[i].red, bytes[size_t(i) * 3]) << i;
        EXPECT_EQ(palette[i].green, bytes[size_t(i) * 3 + 1]) << i;
        EXPECT_EQ(palette[i].blue, bytes[size_t(i) * 3 + 2]) << i;
        EXPECT_EQ(palette[i].flags, uint8_t(i ^ 0x5A)) << i;
    }
}

TEST(GifPalette, ShortReadLeavesTheMissingEntriesBlack)
{
    for (size_t count : {size_t(0), size_t(1), size_t(2), size_t(3), size_t(100), size_t(767)}) {
        const auto bytes = tableBytes(count);
        PaletteEntry palette[paletteSize];
        for (auto& entry : palette)
            entry = PaletteEntry{200, 201, 202, 9};
        paletteFromColourTable(bytes.data(), count, palette);
        for (int i = 0; i < paletteSize; ++i) {
            const uint8_t* colour[3] = {&palette[i].red, &palette[i].green, &palette[i].blue};
            for (int c = 0; c < 3; ++c) {
                const size_t at = size_t(i) * 3 + size_t(c);
                EXPECT_EQ(*colour[c], at < count ? bytes[at] : 0) << "count " << count << " entry " << i;
            }
            EXPECT_EQ(palette[i].flags, 9);
        }
    }
}

TEST(GifPalette, ExtraBytesBeyondTheTableAreIgnored)
{
    const auto bytes = tableBytes(2000);
    PaletteEntry palette[paletteSize] = {};
    paletteFromColourTable(bytes.data(), bytes.size(), palette);
    EXPECT_EQ(palette[255].blue, bytes[767]);
    static_assert(sizeof(PaletteEntry) == 4);
    static_assert(gifColourTableOffset == 13 && gifColourTableSize == 768);
}
