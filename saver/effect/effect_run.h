// SPDX-License-Identifier: MIT
// The effect's whole state and its frame sequence without a display: what the
// saver does each frame, minus the copy to the screen. The saver runs one of
// these; the host tool runs the same sequence for its preview.
#pragma once

#include <stdint.h>

#include "effect/motion.h"
#include "effect/rotozoom.h"
#include "effect/trig_tables.h"
#include "package/palette_entry.h"

// About 364 KiB: keep it in static storage or on the heap, not on the stack.
struct EffectRun {
    TrigTables trigTables;
    MotionState motionState;
    RandomGenerator randomGenerator;
    int32_t backgroundIndex;  // darkest palette index, 0 until a palette is set
    int32_t textureCaptured;  // 1 once the first frame has begun
    uint8_t texture[textureBytes];
    uint8_t frameBuffer[frameBytes];
};

// The state at program start: every field zero, the generator at state 1.
void resetEffectRun(EffectRun* run);

// The platform-free half of the effect's initialisation, in its order: seeds
// the generator, sets the motion's start values and builds the tables.
void startEffectRun(EffectRun* run, uint32_t seed);

// Takes the picture's palette: backgroundIndex becomes its darkest entry.
void setEffectPalette(EffectRun* run, const PaletteEntry* palette);

// Begins a frame. On the first frame it sets headingHold 0 and driftSpeed 3,
// marks the texture captured and returns 1: the caller captures the texture
// now (captureEffectTexture). Later frames return 0.
int beginEffectFrame(EffectRun* run);

// Captures the picture into the texture, with backgroundIndex as the fill texel.
void captureEffectTexture(EffectRun* run, const uint8_t* pixels, long pitch, int width, int height);

// Draws frameBuffer from the current motion, then advances the motion: the frame
// shows the motion from before the update.
void finishEffectFrame(EffectRun* run);

// One whole frame: beginEffectFrame, the capture from `pixels` when it asks for
// one, finishEffectFrame.
void stepEffectRun(EffectRun* run, const uint8_t* pixels, long pitch, int width, int height);
