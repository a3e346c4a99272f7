// SPDX-License-Identifier: MIT
// The effect's integer sine and cosine tables: 256 steps to a turn, values
// scaled by 256.
#pragma once

#include <stdint.h>

constexpr int trigSteps = 256;

struct TrigTables {
    int32_t sinTable[trigSteps];
    int32_t cosTable[trigSteps];
    // The same angles turned on by 1.571 radian: the row direction of the
    // drawing and the direction of the pan's drift.
    int32_t sinPerpTable[trigSteps];
    int32_t cosPerpTable[trigSteps];
};

// Fills all four tables. Floating point is used here and nowhere else in the
// effect; every entry is a double product truncated toward zero.
void buildTrigTables(TrigTables* tables);
