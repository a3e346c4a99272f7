// SPDX-License-Identifier: MIT
// The motion driver: the rotation, zoom and drift of the picture, advanced once
// per frame and changed at random by the effect's own generator.
#pragma once

#include <stdint.h>

#include "effect/trig_tables.h"

struct MotionState {
    int32_t angle;         // index into the trig tables, 0..255
    int32_t spinStep;      // 1..4 or -4..-1
    int32_t zoom;          // texture distance between neighbouring pixels, 1/256 texel
    int32_t zoomStep;      // +1 or -1
    int32_t panU;          // pan centre, texture column in 8.8 fixed point
    int32_t panV;          // pan centre, texture row in 8.8 fixed point
    int32_t driftHeading;  // index into the trig tables of the drift direction
    int32_t driftSpeed;    // 1..10
    int32_t frameCounter;  // frames since the last drift change
    int32_t headingHold;   // 1: the drift keeps its heading; 0: it turns a step a frame
};

// A linear congruential generator: state = state * 214013 + 2531011.
struct RandomGenerator {
    uint32_t state;
};

// A generator that has not been seeded starts from state 1.
constexpr uint32_t initialRandomState = 1;

void seedGenerator(RandomGenerator* generator, uint32_t seed);
// Advances the generator and returns bits 16..30 of its new state (0..32767).
int drawRandom(RandomGenerator* generator);

// The start values that the effect's initialisation sets: angle 0, spinStep 1,
// zoom 200, zoomStep -1, panU 0x8000, panV 0. The other four fields are left
// alone.
void setMotionStartValues(MotionState* motion);

// One frame's update: spin, drift, zoom, heading, random drift change, zoom
// bounds, random spin changes, in that order (the order of the draws fixes the
// motion a seed gives).
void advanceMotion(MotionState* motion, RandomGenerator* generator, const TrigTables& tables);
