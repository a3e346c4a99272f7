// SPDX-License-Identifier: MIT
// The rotozoom: the 256 x 256 texture tiled without end, rotated, scaled and
// panned into a frame of palette indices.
#pragma once

#include <stdint.h>

#include "effect/screen.h"
#include "effect/motion.h"
#include "effect/trig_tables.h"
#include "package/palette_entry.h"

constexpr int textureSize = 256;
constexpr int textureBytes = textureSize * textureSize;
// The frame is the screen.
constexpr int frameWidth = screenWidth;
constexpr int frameHeight = screenHeight;
constexpr int frameBytes = frameWidth * frameHeight;

// The palette index (0..255) of the darkest colour (smallest red + green +
// blue); among equals the highest index wins.
int findBackgroundIndex(const PaletteEntry* palette);

// Copies the picture's top-left 255 x 255 pixels (fewer when it is smaller)
// into `texture` (256 x 256, pitch 256). Where the picture reaches texture row
// or column 255, that texel becomes `fillTexel`; texels beyond the picture keep
// their value. `pixels` is the picture's top-left pixel, `pitch` the distance
// in bytes between its rows. Sizes of 0 or less copy nothing.
void captureTexture(const uint8_t* pixels, long pitch, int width, int height,
                    uint8_t fillTexel, uint8_t* texture);

// Draws the frame that `motion` (angle, zoom, panU, panV) shows into
// `frameBuffer`, whose rows are `width` bytes apart. The texture point
// (panU, panV) lands on column 127, row 128 whatever the frame's size. This is
// the fast form that the saver ships; its output is byte for byte that of
// drawRotozoomPlain.
void drawRotozoom(const TrigTables& tables, const MotionState& motion, const uint8_t* texture,
                  uint8_t* frameBuffer, int width = frameWidth, int height = frameHeight);

// The same frame, one pixel at a time: two additions, two byte extractions and
// one table read per pixel. The reference for drawRotozoom.
void drawRotozoomPlain(const TrigTables& tables, const MotionState& motion, const uint8_t* texture,
                       uint8_t* frameBuffer, int width = frameWidth, int height = frameHeight);
