// SPDX-License-Identifier: GPL-3.0-or-later
// The saver's 640 x 480 frame drawn into a window of any size, as the pixels
// of a true-colour window: where it goes, how each palette colour is packed,
// and the scaled copy itself.
#pragma once

#include <cstdint>
#include <span>

#include "package/palette_entry.h"

// The frame's rectangle inside a window, centred. In a window of at least
// 640 x 480 every frame pixel becomes a square of whole pixels, as large as
// fits up to largestScale; a smaller window gets the largest 4:3 rectangle
// that fits. What lies outside it are bars.
struct FramePlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

FramePlacement placeFrame(int windowWidth, int windowHeight);
// 3840 x 2880, a 5K screen's height: at most 44 MB to send a frame, where
// the largest window X allows would take 3 GB.
constexpr int largestScale = 6;

// One colour as a pixel of a visual with these channel masks (each a run of
// 1 to 8 or more bits): each 8-bit channel keeps its top bits.
uint32_t packedColour(const PaletteEntry& colour, uint32_t redMask, uint32_t greenMask, uint32_t blueMask);

// Copies the frame (palette indices, 640 x 480) through `colours` into
// `target`, placement.width x placement.height pixels, `pitch` pixels apart
// from row to row: each target pixel takes the frame pixel under its top-left
// corner, so that whole-number scales repeat every pixel alike.
void drawFrameScaled(std::span<const uint8_t> frame, std::span<const uint32_t> colours, const FramePlacement& placement,
                     uint32_t* target, int pitch);
