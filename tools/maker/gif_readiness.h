// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the saver shows a GIF as other programs do, so that it can be
// packed unchanged: one walk over its block structure.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "picture.h"
#include "saver_package.h"

// A GIF's block structure as GIF89a defines it.
struct GifLayout {
    GifSize screen{0, 0};
    bool globalTable = false;
    int globalEntries = 0;
    size_t saverTableEnd = 0;  // where the saver starts looking for the image separator
    int imageCount = 0;
    size_t firstImageStart = 0;  // offset of the first image's separator
    int imageLeft = 0, imageTop = 0, imageWidth = 0, imageHeight = 0;
    int imageFlags = 0;
    int minimumCodeSize = 0;
    bool transparency = false;
    bool firstImageComplete = false;
    std::string damage;  // why the structure could not be followed before the first picture's data, if so
};

GifLayout readGifLayout(std::span<const uint8_t> gif);

// Why the saver would not show this GIF as other programs do; empty when it
// can be packed unchanged. `anySize` accepts any picture size (FitMode::none).
// The picture data itself is not decoded here.
std::vector<std::string> gifReencodeReasons(std::span<const uint8_t> gif, const GifLayout& layout, bool anySize);
