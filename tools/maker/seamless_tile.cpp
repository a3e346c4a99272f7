// SPDX-License-Identifier: GPL-3.0-or-later
#include "seamless_tile.h"

#include <vector>

#include "srgb_light.h"

namespace {

// Blends the pixels along one line (count pixels, `stride` bytes apart) with
// their mirror images.
void blendLine(uint8_t* first, int count, size_t stride, int band)
{
    const auto& linear = srgbToLinearTable();
    std::vector<uint8_t> original(size_t(count) * 3);
    for (int i = 0; i < count; ++i)
        for (int channel = 0; channel < 3; ++channel)
            original[size_t(i) * 3 + size_t(channel)] = first[size_t(i) * stride + size_t(channel)];
    for (int i = 0; i < count; ++i) {
        const int fromEdge = i < count / 2 ? i : count - 1 - i;
        if (fromEdge >= band)
            continue;
        const float share = 0.5f * (1.0f - (float(fromEdge) + 0.5f) / float(band));
        const int mirror = count - 1 - i;
        for (int channel = 0; channel < 3; ++channel) {
            const float own = linear[original[size_t(i) * 3 + size_t(channel)]];
            const float other = linear[original[size_t(mirror) * 3 + size_t(channel)]];
            first[size_t(i) * stride + size_t(channel)] = linearToSrgbByte(own + share * (other - own));
        }
    }
}

}  // namespace

int seamlessBand(int size)
{
    return size < 16 ? size / 2 : size / 8;
}

void blendEdgesTogether(RgbPicture& tile)
{
    const size_t rowBytes = size_t(tile.width) * 3;
    const int acrossBand = seamlessBand(tile.width);
    const int downBand = seamlessBand(tile.height);
    if (acrossBand > 0)
        for (int y = 0; y < tile.height; ++y)
            blendLine(tile.rgb.data() + size_t(y) * rowBytes, tile.width, 3, acrossBand);
    if (downBand > 0)
        for (int x = 0; x < tile.width; ++x)
            blendLine(tile.rgb.data() + size_t(x) * 3, tile.height, rowBytes, downBand);
}
