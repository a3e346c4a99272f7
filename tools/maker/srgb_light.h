// SPDX-License-Identifier: GPL-3.0-or-later
// The sRGB transfer curve, for work on light rather than on its encoding
// (averaging, laying over black). Both directions go through tables built
// once with plain-arithmetic powers, so that no result depends on the C
// library's pow.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Light (0 to 1) of each 8-bit sRGB value.
const std::array<float, 256>& srgbToLinearTable();

// Light at which the 8-bit encoding steps from k to k + 1 (k = 0 to 254).
const std::array<float, 255>& srgbStepTable();

// The 8-bit sRGB value nearest to `linear` (clamped to 0 to 1).
uint8_t linearToSrgbByte(float linear);

// The exact sRGB curve in double precision, from which the tables are built.
double srgbToLinear(double encoded);

// Lays `count` pixels of red, green, blue and opacity over black, in light,
// into three bytes a pixel. `rgb` may be `rgba` itself (the pixels move down).
void layOverBlack(const uint8_t* rgba, uint8_t* rgb, size_t count);
