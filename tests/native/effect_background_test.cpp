// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "effect/rotozoom.h"

namespace {

std::vector<PaletteEntry> paletteOf(PaletteEntry fill)
{
    return std::vector<PaletteEntry>(paletteSize, fill);
}

}  // namespace

TEST(BackgroundIndex, AllBlackGivesLastIndex)
{
    const auto palette = paletteOf({0, 0, 0, 0});
    EXPECT_EQ(findBackgroundIndex(palette.data()), 255);
}

// A picture of 32 colours, its table padded with black.
TEST(BackgroundIndex, BlackPaddingWinsWithHighestIndex)
{
    auto palette = paletteOf({0, 0, 0, 0});
    for (int i = 0; i < 32; ++i)
        palette[size_t(i)] = {uint8_t(8 * i), uint8_t(40 + i), uint8_t(200 - i), 0};
    palette[5] = {0, 0, 0, 0};  // a black inside the used colours loses to 255
    EXPECT_EQ(findBackgroundIndex(palette.data()), 255);
}

TEST(BackgroundIndex, SingleDarkestEntry)
{
    auto palette = paletteOf({200, 200, 200, 0});
    palette[77] = {10, 20, 30, 0};
    palette[78] = {20, 20, 21, 0};  // sum 61, one more than entry 77
    EXPECT_EQ(findBackgroundIndex(palette.data()), 77);
}

TEST(BackgroundIndex, TieTakesHighestIndex)
{
    auto palette = paletteOf({255, 255, 255, 0});
    palette[3] = {1, 2, 3, 0};
    palette[100] = {6, 0, 0, 0};
    palette[200] = {0, 0, 6, 0};
    palette[201] = {0, 7, 0, 0};
    EXPECT_EQ(findBackgroundIndex(palette.data()), 200);
}

TEST(BackgroundIndex, FlagsByteIgnored)
{
    auto palette = paletteOf({255, 255, 255, 0});
    palette[10] = {1, 1, 1, 0};
    palette[20] = {1, 1, 1, 255};
    palette[30] = {2, 1, 1, 0};
    EXPECT_EQ(findBackgroundIndex(palette.data()), 20);
}

TEST(BackgroundIndex, AllWhiteGivesLastIndex)
{
    const auto palette = paletteOf({255, 255, 255, 0});
    EXPECT_EQ(findBackgroundIndex(palette.data()), 255);
}

TEST(BackgroundIndex, DarkestFirstEntry)
{
    auto palette = paletteOf({255, 255, 254, 0});
    palette[0] = {0, 0, 0, 0};
    EXPECT_EQ(findBackgroundIndex(palette.data()), 0);
}
