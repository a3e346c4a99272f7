// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit_picture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "row_fit.h"

namespace {

// The region of the picture upright at its own size, pixel for pixel.
RgbPicture uprightCopy(const Picture& picture, const CropRect& region)
{
    const RgbPicture& stored = picture.stored;
    const AxisMapping mapping = axisMapping(picture.orientation);
    const int fullWidth = mapping.swapped ? stored.height : stored.width;
    const int fullHeight = mapping.swapped ? stored.width : stored.height;
    const int width = region.width;
    const int height = region.height;
    RgbPicture result{width, height, std::vector<uint8_t>(size_t(width) * size_t(height) * 3)};
    for (int y = 0; y < height; ++y) {
        const int alongY = mapping.reverseY ? fullHeight - 1 - (region.y + y) : region.y + y;
        for (int x = 0; x < width; ++x) {
            const int alongX = mapping.reverseX ? fullWidth - 1 - (region.x + x) : region.x + x;
            const int storedX = mapping.swapped ? alongY : alongX;
            const int storedY = mapping.swapped ? alongX : alongY;
            std::memcpy(&result.rgb[(size_t(y) * size_t(width) + size_t(x)) * 3],
                        &stored.rgb[(size_t(storedY) * size_t(stored.width) + size_t(storedX)) * 3], 3);
        }
    }
    return result;
}

}  // namespace

std::optional<FitMode> parseFitMode(std::string_view text)
{
    for (FitMode mode : {FitMode::cover, FitMode::contain, FitMode::stretch, FitMode::none})
        if (text == fitModeName(mode))
            return mode;
    return std::nullopt;
}

const char* fitModeName(FitMode mode)
{
    switch (mode) {
    case FitMode::cover: return "cover";
    case FitMode::contain: return "contain";
    case FitMode::stretch: return "stretch";
    case FitMode::none: return "none";
    }
    return "?";
}

CropRect wholeOrCrop(int uprightWidth, int uprightHeight, const std::optional<CropRect>& crop)
{
    return crop ? *crop : CropRect{0, 0, uprightWidth, uprightHeight};
}

FitPlan planFit(int uprightWidth, int uprightHeight, FitMode mode, const std::optional<CropRect>& crop)
{
    if (crop) {
        FitPlan plan = planFit(crop->width, crop->height, mode);
        plan.x += crop->x;
        plan.y += crop->y;
        return plan;
    }
    const double width = uprightWidth;
    const double height = uprightHeight;
    FitPlan plan{0, 0, width, height, makeSize, makeSize, 0, 0, makeSize, makeSize};
    switch (mode) {
    case FitMode::none:
        plan.scaledWidth = plan.canvasWidth = uprightWidth;
        plan.scaledHeight = plan.canvasHeight = uprightHeight;
        break;
    case FitMode::stretch:
        break;
    case FitMode::cover: {
        // The largest centred square of the picture.
        const double side = std::min(width, height);
        plan.x = (width - side) / 2;
        plan.y = (height - side) / 2;
        plan.width = plan.height = side;
        break;
    }
    case FitMode::contain: {
        const double scale = std::min(makeSize / width, makeSize / height);
        plan.scaledWidth = std::clamp(int(std::lround(width * scale)), 1, makeSize);
        plan.scaledHeight = std::clamp(int(std::lround(height * scale)), 1, makeSize);
        plan.left = (makeSize - plan.scaledWidth) / 2;
        plan.top = (makeSize - plan.scaledHeight) / 2;
        break;
    }
    }
    return plan;
}

bool decodeSizeSuffices(int fileWidth, int fileHeight, int decodedWidth, int decodedHeight, int orientation,
                        FitMode mode, const std::optional<CropRect>& crop)
{
    if (mode == FitMode::none)
        return decodedWidth == fileWidth && decodedHeight == fileHeight;
    const bool swapped = orientation >= 5;
    const int uprightWidth = swapped ? fileHeight : fileWidth;
    const int uprightHeight = swapped ? fileWidth : fileHeight;
    const FitPlan plan = planFit(uprightWidth, uprightHeight, mode, crop);
    const double scaleX = double(swapped ? decodedHeight : decodedWidth) / uprightWidth;
    const double scaleY = double(swapped ? decodedWidth : decodedHeight) / uprightHeight;
    return plan.width * scaleX >= plan.scaledWidth && plan.height * scaleY >= plan.scaledHeight;
}

RgbPicture fitPicture(Picture picture, FitMode mode, const std::optional<CropRect>& crop)
{
    if (mode == FitMode::none && picture.orientation == 1 && !crop)
        return std::move(picture.stored);
    return fitPictureCopy(picture, mode, crop);
}

RgbPicture fitPictureCopy(const Picture& picture, FitMode mode, const std::optional<CropRect>& crop)
{
    const CropRect region = wholeOrCrop(uprightWidth(picture), uprightHeight(picture), crop);
    if (mode == FitMode::none)
        return uprightCopy(picture, region);
    RowFit fit(picture, planFit(uprightWidth(picture), uprightHeight(picture), mode, crop), region);
    const RgbPicture& stored = picture.stored;
    for (int y = fit.firstRow(); y <= fit.lastRow(); ++y)
        fit.takeRow(y, stored.rgb.data() + size_t(y) * size_t(stored.width) * 3);
    return fit.finish();
}
