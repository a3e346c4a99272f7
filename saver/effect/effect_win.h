// SPDX-License-Identifier: MIT
// The effect's Windows side: prepares the picture surface, palette and tables,
// and draws, advances and presents one frame.
#pragma once

#include "effect/effect_run.h"

// The effect's whole state: tables, motion, generator, background index,
// texture and frame. Zero at program start.
extern EffectRun effectRun;
// Set once the box "lock error" has been shown: it is shown at most once a run.
extern int lockErrorShown;

// Returns 1 when the effect is ready, 0 when the saver must end (the picture
// surface could not be made).
int initEffect();
// Draws, advances and shows one frame; returns presentFrame's result (3 also
// when the frame could not reach the back buffer and was skipped).
int renderFrame();
