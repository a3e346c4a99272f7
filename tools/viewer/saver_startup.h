// SPDX-License-Identifier: GPL-3.0-or-later
// The saver's start-up and frames without a display, for preview and play:
// package record 0, the picture decoded by the saver's GIF decoder into a
// buffer of record 0's size, the palette, the darkest colour, the seeded motion.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "effect/effect_run.h"
#include "package/package_format.h"
#include "package/palette_entry.h"

// What the saver holds after its start-up.
struct SaverPicture {
    int width = 0;   // record 0's width: the picture surface's width and pitch
    int height = 0;  // record 0's height
    std::vector<uint8_t> pixels;  // the picture surface, zero where nothing was decoded
    std::array<PaletteEntry, paletteSize> palette{};
    std::vector<std::string> warnings;  // where the saver would show less than the picture
};

// Why the saver would decode nothing of `gif` packed as record 0 (no picture
// found, an LZW code size it does not take, no pixel before the data ends);
// empty when it decodes some of it.
std::string undecodableGifReason(std::span<const uint8_t> gif);

// INPUT as preview and play take it: a saver (package at 61440), a file.dat
// (package at 0) or a bare GIF (as a saver with it in record 0 would hold it).
// Refused (SaverFileError) with a message when it is none of these or record 0
// cannot be shown.
SaverPicture loadSaverPicture(std::span<const uint8_t> file, const std::string& path);

// The effect after initEffect: seeded, start values set, tables built, the
// palette's darkest index found. Large; lives on the heap.
std::unique_ptr<EffectRun> startSaverEffect(const SaverPicture& picture, uint32_t seed);

// One renderFrame without the display: the texture capture on the first call,
// the drawing into run.frameBuffer, then the motion update.
void stepSaverEffect(EffectRun& run, const SaverPicture& picture);
