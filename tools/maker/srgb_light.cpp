// SPDX-License-Identifier: GPL-3.0-or-later
#include "srgb_light.h"

#include <algorithm>
#include <cstring>

#include "plain_power.h"

double srgbToLinear(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : glimmer_pow((encoded + 0.055) / 1.055, 2.4);
}

const std::array<float, 256>& srgbToLinearTable()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> values{};
        for (int i = 0; i < 256; ++i)
            values[size_t(i)] = float(srgbToLinear(i / 255.0));
        return values;
    }();
    return table;
}

const std::array<float, 255>& srgbStepTable()
{
    static const std::array<float, 255> table = [] {
        std::array<float, 255> values{};
        for (int i = 0; i < 255; ++i)
            values[size_t(i)] = float(srgbToLinear((i + 0.5) / 255.0));
        return values;
    }();
    return table;
}

uint8_t linearToSrgbByte(float linear)
{
    if (!(linear > 0.0f))  // NaN too
        return 0;
    // The number of steps at or below `linear`.
    const auto& steps = srgbStepTable();
    return uint8_t(std::upper_bound(steps.begin(), steps.end(), linear) - steps.begin());
}

void layOverBlack(const uint8_t* rgba, uint8_t* rgb, size_t count)
{
    const auto& linear = srgbToLinearTable();
    for (size_t i = 0; i < count; ++i, rgba += 4, rgb += 3) {
        const int opacity = rgba[3];
        if (opacity == 255) {
            std::memmove(rgb, rgba, 3);
        } else if (opacity == 0) {
            std::memset(rgb, 0, 3);
        } else {
            const float share = float(opacity) / 255.0f;
            const uint8_t red = linearToSrgbByte(linear[rgba[0]] * share);
            const uint8_t green = linearToSrgbByte(linear[rgba[1]] * share);
            const uint8_t blue = linearToSrgbByte(linear[rgba[2]] * share);
            rgb[0] = red;
            rgb[1] = green;
            rgb[2] = blue;
        }
    }
}
