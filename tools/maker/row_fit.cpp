// SPDX-License-Identifier: GPL-3.0-or-later
#include "row_fit.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

#include "srgb_light.h"

namespace {

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

}  // namespace

AxisMapping axisMapping(int orientation)
{
    return AxisMapping{orientation >= 5, orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7,
                       orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8};
}

RowFit::RowFit(const Picture& picture, const FitPlan& plan, const CropRect& region)
    : swapped_(axisMapping(picture.orientation).swapped), plan_(plan)
{
    const AxisMapping mapping = axisMapping(picture.orientation);
    const RgbPicture& stored = picture.stored;
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
    AxisTaps uprightX = axisTaps(plan.x, plan.width, region.x, region.width, scaleX, uprightStoredWidth,
                                 plan.scaledWidth, mapping.reverseX);
    AxisTaps uprightY = axisTaps(plan.y, plan.height, region.y, region.height, scaleY, uprightStoredHeight,
                                 plan.scaledHeight, mapping.reverseY);
    rowTaps_ = std::move(swapped_ ? uprightX : uprightY);
    acrossTaps_ = std::move(swapped_ ? uprightY : uprightX);

    // A unit is complete when its highest row has come; once it is made, rows
    // below what the units still to come read are let go.
    const int units = int(rowTaps_.first.size()) - 1;
    std::vector<int> lowestOf(size_t(units), INT_MAX), highestOf(size_t(units), INT_MIN);
    for (int unit = 0; unit < units; ++unit)
        for (int k = rowTaps_.first[size_t(unit)]; k < rowTaps_.first[size_t(unit) + 1]; ++k) {
            lowestOf[size_t(unit)] = std::min(lowestOf[size_t(unit)], rowTaps_.source[size_t(k)]);
            highestOf[size_t(unit)] = std::max(highestOf[size_t(unit)], rowTaps_.source[size_t(k)]);
        }
    order_.resize(size_t(units));
    std::iota(order_.begin(), order_.end(), 0);
    std::stable_sort(order_.begin(), order_.end(),
                     [&](int a, int b) { return highestOf[size_t(a)] < highestOf[size_t(b)]; });
    neededFrom_.resize(size_t(units) + 1, INT_MAX);
    for (int i = units - 1; i >= 0; --i)
        neededFrom_[size_t(i)] = std::min(neededFrom_[size_t(i) + 1], lowestOf[size_t(order_[size_t(i)])]);
    highestOf_ = std::move(highestOf);

    const int across = swapped_ ? acrossTaps_.highest - acrossTaps_.lowest + 1 : plan.scaledWidth;
    sums_.resize(size_t(across) * 3);
    result_ = RgbPicture{plan.canvasWidth, plan.canvasHeight, {}};
    result_.rgb.resize(size_t(plan.canvasWidth) * size_t(plan.canvasHeight) * 3);
}

// A stored row as the units read it: filtered across to the destination's
// width, or (axes swapped) the columns the destination reads, in linear light.
void RowFit::filterRow(const uint8_t* rgb, std::vector<float>& out) const
{
    const auto& linear = srgbToLinearTable();
    out.resize(sums_.size());
    if (swapped_) {
        const uint8_t* source = rgb + size_t(acrossTaps_.lowest) * 3;
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = linear[source[i]];
        return;
    }
    for (int column = 0; column < plan_.scaledWidth; ++column) {
        float red = 0, green = 0, blue = 0;
        for (int k = acrossTaps_.first[size_t(column)]; k < acrossTaps_.first[size_t(column) + 1]; ++k) {
            const uint8_t* pixel = rgb + size_t(acrossTaps_.source[size_t(k)]) * 3;
            const float weight = acrossTaps_.weight[size_t(k)];
            red += weight * linear[pixel[0]];
            green += weight * linear[pixel[1]];
            blue += weight * linear[pixel[2]];
        }
        out[size_t(column) * 3] = red;
        out[size_t(column) * 3 + 1] = green;
        out[size_t(column) * 3 + 2] = blue;
    }
}

void RowFit::emitUnit(int unit)
{
    std::fill(sums_.begin(), sums_.end(), 0.0f);
    for (int k = rowTaps_.first[size_t(unit)]; k < rowTaps_.first[size_t(unit) + 1]; ++k) {
        const std::vector<float>& row = kept_[size_t(rowTaps_.source[size_t(k)] - keptFirst_)];
        const float weight = rowTaps_.weight[size_t(k)];
        for (size_t i = 0; i < sums_.size(); ++i)
            sums_[i] += weight * row[i];
    }
    const auto put = [&](int x, int y, const float* colour) {
        uint8_t* target = result_.rgb.data() + (size_t(plan_.top + y) * size_t(plan_.canvasWidth) + size_t(plan_.left + x)) * 3;
        for (int channel = 0; channel < 3; ++channel)
            target[channel] = linearToSrgbByte(colour[channel]);
    };
    if (!swapped_) {
        for (int column = 0; column < plan_.scaledWidth; ++column)
            put(column, unit, &sums_[size_t(column) * 3]);
        return;
    }
    // Destination column `unit`, down its rows.
    for (int y = 0; y < plan_.scaledHeight; ++y) {
        float colour[3] = {0, 0, 0};
        for (int k = acrossTaps_.first[size_t(y)]; k < acrossTaps_.first[size_t(y) + 1]; ++k) {
            const float* pixel = &sums_[size_t(acrossTaps_.source[size_t(k)] - acrossTaps_.lowest) * 3];
            const float weight = acrossTaps_.weight[size_t(k)];
            colour[0] += weight * pixel[0];
            colour[1] += weight * pixel[1];
            colour[2] += weight * pixel[2];
        }
        put(unit, y, colour);
    }
}

void RowFit::takeRow(int y, const uint8_t* rgb)
{
    if (y <= lastTaken_ || y < rowTaps_.lowest || y > rowTaps_.highest)
        return;
    if (kept_.empty())
        keptFirst_ = y;
    // A row that no later unit reads is not kept (rows are never skipped
    // inside the range the units read, so kept_ stays contiguous).
    kept_.emplace_back();
    filterRow(rgb, kept_.back());
    lastTaken_ = y;
    while (emitted_ < order_.size() && highestOf_[size_t(order_[emitted_])] <= y)
        emitUnit(order_[emitted_++]);
    while (!kept_.empty() && keptFirst_ < neededFrom_[emitted_]) {
        kept_.pop_front();
        ++keptFirst_;
    }
}

RgbPicture RowFit::finish()
{
    if (emitted_ != order_.size())
        throw std::logic_error("the fit was not given every row it reads");
    return std::move(result_);
}
