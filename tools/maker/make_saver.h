// SPDX-License-Identifier: GPL-3.0-or-later
// The whole maker: picture file in, saver file out. `glimmer make` and the
// web page's maker both call this, so that both write the same bytes.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "picture.h"

struct MakeOptions {
    std::string pictureName = "picture";  // names the picture in messages
    FitMode fit = FitMode::cover;
    double dither = 1.0;  // 0 (none) to 1 (full)
    bool reencode = false;  // re-encode a GIF even when it could be packed unchanged
    // Told each step as it begins ("reading the JPEG", "fitting it to 256 x 256", ...), for a progress line.
    std::function<void(const std::string& step)> onStep;
};

struct MadeSaver {
    Bytes file;                      // the saver, or with no program a file.dat package
    std::vector<std::string> notes;  // lines to show before the summary (what was done to a GIF, warnings)
    std::string summary;             // "a 256 x 256 picture of 211 colours from the JPEG of 200 x 300, ..."
};

// Reads the picture (its format told once, by its first bytes), turns it
// upright, converts its colours to sRGB, fits, quantises and encodes it, and
// packs the GIF behind `program` (61440 bytes, or empty for a file.dat). A GIF
// that the saver shows as it is goes in unchanged unless `reencode`. Throws
// MakeError with the reason when the picture cannot be made into a saver.
MadeSaver makeSaverPackage(std::span<const uint8_t> picture, const MakeOptions& options,
                           std::span<const uint8_t> program);

// The picture format the file's first bytes tell (a few dozen are enough);
// refuses a file that is no picture the maker reads, with what it is.
PictureFormat pictureFormatOrRefuse(std::span<const uint8_t> start, const std::string& name);
