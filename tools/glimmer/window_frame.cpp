// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_frame.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "effect/rotozoom.h"

FramePlacement placeFrame(int windowWidth, int windowHeight)
{
    if (windowWidth <= 0 || windowHeight <= 0)
        return {};
    FramePlacement placement;
    const int scale = std::min({windowWidth / frameWidth, windowHeight / frameHeight, largestScale});
    if (scale >= 1) {
        placement.width = frameWidth * scale;
        placement.height = frameHeight * scale;
    } else if (int64_t(windowWidth) * 3 <= int64_t(windowHeight) * 4) {
        placement.width = windowWidth;
        placement.height = int(int64_t(windowWidth) * 3 / 4);
    } else {
        placement.height = windowHeight;
        placement.width = int(int64_t(windowHeight) * 4 / 3);
    }
    placement.x = (windowWidth - placement.width) / 2;
    placement.y = (windowHeight - placement.height) / 2;
    return placement;
}

namespace {

uint32_t channelBits(uint8_t value, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    // Wider than 8 bits: the value's bits repeated, so that 255 fills the channel.
    uint32_t wide = value;
    for (int have = 8; have < bits; have += 8)
        wide = wide << 8 | value;
    const int wideBits = ((bits + 7) / 8) * 8;
    return (wide >> (wideBits - bits)) << shift & mask;
}

}  // namespace

uint32_t packedColour(const PaletteEntry& colour, uint32_t redMask, uint32_t greenMask, uint32_t blueMask)
{
    return channelBits(colour.red, redMask) | channelBits(colour.green, greenMask) | channelBits(colour.blue, blueMask);
}

void drawFrameScaled(std::span<const uint8_t> frame, std::span<const uint32_t> colours, const FramePlacement& placement,
                     uint32_t* target, int pitch)
{
    if (placement.width <= 0 || placement.height <= 0 || frame.size() < size_t(frameBytes) || colours.size() < 256)
        return;
    std::vector<int> sourceColumn(size_t(placement.width));
    for (int x = 0; x < placement.width; ++x)
        sourceColumn[size_t(x)] = int(int64_t(x) * frameWidth / placement.width);
    for (int y = 0; y < placement.height; ++y) {
        const uint8_t* source = frame.data() + int64_t(y) * frameHeight / placement.height * frameWidth;
        uint32_t* row = target + int64_t(y) * pitch;
        for (int x = 0; x < placement.width; ++x)
            row[x] = colours[source[sourceColumn[size_t(x)]]];
    }
}
