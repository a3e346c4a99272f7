// SPDX-License-Identifier: MIT
#include "effect/trig_tables.h"

#include <math.h>

namespace {

// 6.2831853 / 256: a little less than 2 pi / 256, so 256 steps fall just short
// of a full turn.
const double angleStep = 0.024543692578125;
const double perpendicularShift = 1.571;
const double tableScale = 256.0;

// The product must see the sine as a double. The 32-bit Windows libm returns
// its x87 result with 80 bits; sin of step 64 is then 1 - 1.6e-18, which gives
// 255 after truncation unless it is first rounded to a double (1.0). Storing
// through a volatile double forces that rounding whatever the compiler keeps
// in registers.
int32_t scaled(double value)
{
    volatile double rounded = value;
    return int32_t(rounded * tableScale);
}

}  // namespace

void buildTrigTables(TrigTables* tables)
{
    for (int i = 0; i < trigSteps; ++i) {
        volatile double a = i * angleStep;
        // The cosines take the angle in single precision.
        volatile double f = double(float(a));
        volatile double g = f + perpendicularShift;
        tables->sinTable[i] = scaled(sin(a));
        tables->cosTable[i] = scaled(cos(f));
        tables->sinPerpTable[i] = scaled(sin(g));
        tables->cosPerpTable[i] = scaled(cos(g));
    }
}
