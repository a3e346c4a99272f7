// SPDX-License-Identifier: MIT
#include "effect/effect_run.h"

#include <string.h>

namespace {

// The drift's values for the first frame: it turns, at speed 3.
const int32_t firstHeadingHold = 0;
const int32_t firstDriftSpeed = 3;

}  // namespace

void resetEffectRun(EffectRun* run)
{
    memset(run, 0, sizeof *run);
    run->randomGenerator.state = initialRandomState;
}

void startEffectRun(EffectRun* run, uint32_t seed)
{
    seedGenerator(&run->randomGenerator, seed);
    setMotionStartValues(&run->motionState);
    buildTrigTables(&run->trigTables);
}

void setEffectPalette(EffectRun* run, const PaletteEntry* palette)
{
    run->backgroundIndex = findBackgroundIndex(palette);
}

int beginEffectFrame(EffectRun* run)
{
    if (run->textureCaptured)
        return 0;
    run->motionState.headingHold = firstHeadingHold;
    run->motionState.driftSpeed = firstDriftSpeed;
    run->textureCaptured = 1;
    return 1;
}

void captureEffectTexture(EffectRun* run, const uint8_t* pixels, long pitch, int width, int height)
{
    captureTexture(pixels, pitch, width, height, uint8_t(run->backgroundIndex), run->texture);
}

void finishEffectFrame(EffectRun* run)
{
    drawRotozoom(run->trigTables, run->motionState, run->texture, run->frameBuffer);
    advanceMotion(&run->motionState, &run->randomGenerator, run->trigTables);
}

void stepEffectRun(EffectRun* run, const uint8_t* pixels, long pitch, int width, int height)
{
    if (beginEffectFrame(run))
        captureEffectTexture(run, pixels, pitch, width, height);
    finishEffectFrame(run);
}
