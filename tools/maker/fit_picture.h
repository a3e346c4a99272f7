// SPDX-License-Identifier: GPL-3.0-or-later
// Fitting a picture to the saver's 256 x 256 texture, upright.
#pragma once

#include <optional>
#include <string_view>

#include "picture.h"
#include "tile_choice.h"

std::optional<FitMode> parseFitMode(std::string_view text);
const char* fitModeName(FitMode mode);

// Where the picture goes: the rectangle of the upright picture that is used
// (in pixels of the file's declared size, may be fractional) and the size it
// is scaled to, placed at (left, top) of a canvas of canvasWidth x
// canvasHeight (black margins with `contain`).
struct FitPlan {
    double x = 0, y = 0, width = 0, height = 0;
    int scaledWidth = 0, scaledHeight = 0;
    int left = 0, top = 0;
    int canvasWidth = 0, canvasHeight = 0;
};
// With a crop, the mode places that rectangle as it would a whole picture.
FitPlan planFit(int uprightWidth, int uprightHeight, FitMode mode,
                const std::optional<CropRect>& crop = std::nullopt);

// The upright rectangle a fit reads: the crop, or the whole picture.
CropRect wholeOrCrop(int uprightWidth, int uprightHeight, const std::optional<CropRect>& crop);

// Whether a picture stored at decodedWidth x decodedHeight (a reduced decode
// of one whose file declares fileWidth x fileHeight) still has at least one
// pixel for each pixel that fitting makes, in both directions.
bool decodeSizeSuffices(int fileWidth, int fileHeight, int decodedWidth, int decodedHeight, int orientation,
                        FitMode mode, const std::optional<CropRect>& crop = std::nullopt);

// The picture upright at 256 x 256 (or at its own size with FitMode::none).
// Scaling averages the covered area in linear light when shrinking and
// interpolates when enlarging. Orientation is applied on the way, by reading
// the stored picture along the axis and in the direction that each upright
// axis comes from, so that no upright copy of the whole picture is made.
// With a crop (checked to be inside the upright picture), only that rectangle
// is used, and nothing outside it is read.
RgbPicture fitPicture(Picture picture, FitMode mode, const std::optional<CropRect>& crop = std::nullopt);
// The same, leaving the picture as it is (one kept to be fitted again).
RgbPicture fitPictureCopy(const Picture& picture, FitMode mode, const std::optional<CropRect>& crop = std::nullopt);
