// SPDX-License-Identifier: MIT
#include "effect/motion.h"

namespace {

const int32_t startAngle = 0;
const int32_t startSpinStep = 1;
const int32_t startZoom = 200;
const int32_t startZoomStep = -1;
const int32_t startPanU = 0x8000;
const int32_t startPanV = 0;

const uint32_t lastAngle = 255;
const uint32_t zoomUpperBound = 1000;  // at or above: turn back
const uint32_t zoomLowerBound = 5;     // at or below: turn back
const int driftChangeMinimum = 500;
const int driftChangeSpread = 520;
const int driftSpeedCount = 10;
const int zoomFlipRange = 200;
const int zoomFlipBelow = 50;
const int spinChangeRange = 351;
const int spinChangeBelow = 2;
const int spinStepCount = 4;

// Modulo 2^32, never an overflow: the pan runs on for ever and only its low
// 16 bits are ever drawn.
int32_t wrappingAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
int32_t wrappingMultiply(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }
int32_t negated(int32_t a) { return int32_t(0u - uint32_t(a)); }

}  // namespace

void seedGenerator(RandomGenerator* generator, uint32_t seed) { generator->state = seed; }

int drawRandom(RandomGenerator* generator)
{
    generator->state = generator->state * 214013u + 2531011u;
    return int((generator->state >> 16) & 0x7FFF);
}

void setMotionStartValues(MotionState* motion)
{
    motion->panU = startPanU;
    motion->panV = startPanV;
    motion->angle = startAngle;
    motion->spinStep = startSpinStep;
    motion->zoom = startZoom;
    motion->zoomStep = startZoomStep;
}

void advanceMotion(MotionState* motion, RandomGenerator* generator, const TrigTables& tables)
{
    // Past either end the angle restarts at 0: a negative spin stops there.
    motion->angle = wrappingAdd(motion->angle, motion->spinStep);
    if (uint32_t(motion->angle) > lastAngle)
        motion->angle = 0;

    // The heading is 0..255 by construction; the mask only keeps a state
    // handed in from outside inside the tables.
    const int32_t heading = motion->driftHeading & (trigSteps - 1);
    motion->panV = wrappingAdd(motion->panV, wrappingMultiply(motion->driftSpeed, tables.sinPerpTable[heading]));
    motion->panU = wrappingAdd(motion->panU, wrappingMultiply(motion->driftSpeed, tables.cosPerpTable[heading]));

    motion->zoom = wrappingAdd(motion->zoom, motion->zoomStep);

    if (motion->headingHold == 0)
        motion->driftHeading = wrappingAdd(motion->driftHeading, 1);
    if (uint32_t(motion->driftHeading) > lastAngle)
        motion->driftHeading = 0;

    const int changeDraw = drawRandom(generator);
    if (motion->frameCounter > changeDraw % driftChangeSpread + driftChangeMinimum) {
        motion->frameCounter = 0;
        motion->headingHold = motion->headingHold == 0 ? 1 : 0;
        motion->driftSpeed = drawRandom(generator) % driftSpeedCount + 1;
        if (drawRandom(generator) % zoomFlipRange < zoomFlipBelow)
            motion->zoomStep = negated(motion->zoomStep);
    }
    motion->frameCounter = wrappingAdd(motion->frameCounter, 1);

    // A negative zoom counts as far out of range.
    if (uint32_t(motion->zoom) >= zoomUpperBound || uint32_t(motion->zoom) <= zoomLowerBound)
        motion->zoomStep = negated(motion->zoomStep);

    if (drawRandom(generator) % spinChangeRange < spinChangeBelow)
        motion->spinStep = drawRandom(generator) % spinStepCount + 1;
    if (drawRandom(generator) % spinChangeRange < spinChangeBelow)
        motion->spinStep = drawRandom(generator) % spinStepCount - spinStepCount;
}
