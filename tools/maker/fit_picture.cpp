// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit_picture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "srgb_light.h"

namespace {

// For each destination pixel along one axis, the source pixels it is made of
// and their weights (summing to 1).
struct AxisTaps {
    std::vector<int> first;  // index into source/weight for destination pixel i; first[i + 1] ends it
    std::vector<int> source;
    std::vector<float> weight;
    int lowest = INT_MAX;
    int highest = INT_MIN;
};

// Destination pixel i covers [start + i * step, start + (i + 1) * step) of the
// source, step = span / destinationSize. Shrinking averages that interval
// (a box filter, exact at its fractional ends); enlarging interpolates
// linearly between the two nearest source pixel centres. `start` counts from
// `offset`, and taps stay within the `extent` pixels from there (a crop), so
// that a crop gives what the same rectangle cut out beforehand gives. With
// `reversed` the source is read from its far end (a flipped axis).
AxisTaps buildAxisTaps(double start, double span, int offset, int extent, int sourceSize, int destinationSize,
                       bool reversed)
{
    AxisTaps taps;
    const double step = span / destinationSize;
    auto add = [&](int index, double weight) {
        if (weight <= 0)
            return;
        index = std::clamp(offset + std::clamp(index, 0, extent - 1), 0, sourceSize - 1);
        if (reversed)
            index = sourceSize - 1 - index;
        taps.source.push_back(index);
        taps.weight.push_back(float(weight));
        taps.lowest = std::min(taps.lowest, index);
        taps.highest = std::max(taps.highest, index);
    };
    for (int i = 0; i < destinationSize; ++i) {
        taps.first.push_back(int(taps.source.size()));
        const double low = start + i * step;
        const double high = low + step;
        if (step >= 1.0) {
            const int firstPixel = int(std::floor(low));
            const int lastPixel = int(std::ceil(high)) - 1;
            for (int pixel = firstPixel; pixel <= lastPixel; ++pixel)
                add(pixel, (std::min(high, pixel + 1.0) - std::max(low, double(pixel))) / step);
        } else {
            const double centre = (low + high) / 2 - 0.5;
            const int left = int(std::floor(centre));
            const double fraction = centre - left;
            add(left, 1.0 - fraction);
            add(left + 1, fraction);
        }
        // Clamping at the edges can merge taps; renormalise so that a flat
        // colour stays exactly that colour.
        float sum = 0;
        for (size_t k = size_t(taps.first.back()); k < taps.weight.size(); ++k)
            sum += taps.weight[k];
        for (size_t k = size_t(taps.first.back()); k < taps.weight.size(); ++k)
            taps.weight[k] /= sum;
    }
    taps.first.push_back(int(taps.source.size()));
    return taps;
}

// How the upright picture's axes lie in the stored one (EXIF orientation):
// from 5 on, upright x runs along stored y; each upright axis may run
// against its stored one.
struct AxisMapping {
    bool swapped;
    bool reverseX;  // upright x runs from the stored axis's far end
    bool reverseY;
};

AxisMapping axisMapping(int orientation)
{
    return AxisMapping{orientation >= 5, orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7,
                       orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8};
}

// Resampling a picture whose upright x runs down its stored columns. Upright
// x is filtered first (combining stored rows) and upright y second, as for
// the same picture stored upright, so that the sums are made in the same order
// and give the same bytes as a picture turned before it was given.
RgbPicture resampleSwapped(const Picture& picture, const FitPlan& plan, const AxisTaps& uprightX,
                           const AxisTaps& uprightY)
{
    const RgbPicture& stored = picture.stored;
    const auto& linear = srgbToLinearTable();
    const int columnCount = uprightY.highest - uprightY.lowest + 1;
    const size_t lineFloats = size_t(columnCount) * 3;
    // lines[x]: upright column x, over the stored columns that upright y uses.
    std::vector<float> lines(size_t(plan.scaledWidth) * lineFloats, 0.0f);
    for (int x = 0; x < plan.scaledWidth; ++x) {
        float* line = lines.data() + size_t(x) * lineFloats;
        for (int k = uprightX.first[size_t(x)]; k < uprightX.first[size_t(x) + 1]; ++k) {
            const uint8_t* source = stored.rgb.data() +
                                    (size_t(uprightX.source[size_t(k)]) * size_t(stored.width) + size_t(uprightY.lowest)) * 3;
            const float weight = uprightX.weight[size_t(k)];
            for (size_t i = 0; i < lineFloats; ++i)
                line[i] += weight * linear[source[i]];
        }
    }
    RgbPicture result{plan.canvasWidth, plan.canvasHeight, {}};
    result.rgb.resize(size_t(plan.canvasWidth) * size_t(plan.canvasHeight) * 3);
    for (int y = 0; y < plan.scaledHeight; ++y)
        for (int x = 0; x < plan.scaledWidth; ++x) {
            const float* line = lines.data() + size_t(x) * lineFloats;
            float red = 0, green = 0, blue = 0;
            for (int k = uprightY.first[size_t(y)]; k < uprightY.first[size_t(y) + 1]; ++k) {
                const float* pixel = line + size_t(uprightY.source[size_t(k)] - uprightY.lowest) * 3;
                const float weight = uprightY.weight[size_t(k)];
                red += weight * pixel[0];
                green += weight * pixel[1];
                blue += weight * pixel[2];
            }
            uint8_t* target =
                result.rgb.data() + (size_t(plan.top + y) * size_t(plan.canvasWidth) + size_t(plan.left + x)) * 3;
            target[0] = linearToSrgbByte(red);
            target[1] = linearToSrgbByte(green);
            target[2] = linearToSrgbByte(blue);
        }
    return result;
}

// Resamples the plan's rectangle of the upright picture to its scaled size,
// placed on the canvas, in linear light. Every stored row is read once: each
// is filtered across into a row of the destination's width, then rows are
// combined down.
RgbPicture resample(const Picture& picture, const FitPlan& plan, const CropRect& region)
{
    const RgbPicture& stored = picture.stored;
    const AxisMapping mapping = axisMapping(picture.orientation);
    // Upright rectangle in stored pixels: a reduced decode scales each axis.
    const int uprightStoredWidth = mapping.swapped ? stored.height : stored.width;
    const int uprightStoredHeight = mapping.swapped ? stored.width : stored.height;
    const double scaleX = double(uprightStoredWidth) / uprightWidth(picture);
    const double scaleY = double(uprightStoredHeight) / uprightHeight(picture);
    // The region's first and last stored pixels; at full scale its own.
    const auto axisTaps = [](double planStart, double planSpan, int regionStart, int regionSpan, double scale,
                             int sourceSize, int destinationSize, bool reversed) {
        const double low = regionStart * scale;
        const int offset = int(std::floor(low));
        const int extent = std::max(1, int(std::ceil((regionStart + regionSpan) * scale)) - offset);
        return buildAxisTaps(low - offset + (planStart - regionStart) * scale, planSpan * scale, offset, extent,
                             sourceSize, destinationSize, reversed);
    };
    const AxisTaps uprightX = axisTaps(plan.x, plan.width, region.x, region.width, scaleX, uprightStoredWidth,
                                       plan.scaledWidth, mapping.reverseX);
    const AxisTaps uprightY = axisTaps(plan.y, plan.height, region.y, region.height, scaleY, uprightStoredHeight,
                                       plan.scaledHeight, mapping.reverseY);
    if (mapping.swapped)
        return resampleSwapped(picture, plan, uprightX, uprightY);
    const AxisTaps& across = uprightX;  // along stored rows
    const AxisTaps& down = uprightY;
    const int acrossCount = int(across.first.size()) - 1;
    const int downCount = int(down.first.size()) - 1;
    const auto& linear = srgbToLinearTable();

    const int rowCount = down.highest - down.lowest + 1;
    const size_t rowFloats = size_t(acrossCount) * 3;
    std::vector<float> rows(size_t(rowCount) * rowFloats);
    for (int row = 0; row < rowCount; ++row) {
        const uint8_t* source = stored.rgb.data() + size_t(down.lowest + row) * size_t(stored.width) * 3;
        float* target = rows.data() + size_t(row) * rowFloats;
        for (int column = 0; column < acrossCount; ++column) {
            float red = 0, green = 0, blue = 0;
            for (int k = across.first[size_t(column)]; k < across.first[size_t(column) + 1]; ++k) {
                const uint8_t* pixel = source + size_t(across.source[size_t(k)]) * 3;
                const float weight = across.weight[size_t(k)];
                red += weight * linear[pixel[0]];
                green += weight * linear[pixel[1]];
                blue += weight * linear[pixel[2]];
            }
            target[column * 3] = red;
            target[column * 3 + 1] = green;
            target[column * 3 + 2] = blue;
        }
    }

    RgbPicture result{plan.canvasWidth, plan.canvasHeight, {}};
    result.rgb.resize(size_t(plan.canvasWidth) * size_t(plan.canvasHeight) * 3);
    std::vector<float> sums(rowFloats);
    for (int row = 0; row < downCount; ++row) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (int k = down.first[size_t(row)]; k < down.first[size_t(row) + 1]; ++k) {
            const float* source = rows.data() + size_t(down.source[size_t(k)] - down.lowest) * rowFloats;
            const float weight = down.weight[size_t(k)];
            for (size_t i = 0; i < rowFloats; ++i)
                sums[i] += weight * source[i];
        }
        for (int column = 0; column < acrossCount; ++column) {
            const int x = plan.left + column;
            const int y = plan.top + row;
            uint8_t* target = result.rgb.data() + (size_t(y) * size_t(plan.canvasWidth) + size_t(x)) * 3;
            for (int channel = 0; channel < 3; ++channel)
                target[channel] = linearToSrgbByte(sums[size_t(column) * 3 + size_t(channel)]);
        }
    }
    return result;
}

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
    return resample(picture, planFit(uprightWidth(picture), uprightHeight(picture), mode, crop), region);
}
