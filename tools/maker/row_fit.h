// SPDX-License-Identifier: GPL-3.0-or-later
// Resampling a picture to its fitted size from its stored rows, taken one at
// a time in stored order, so that a reader can hand its rows on as it
// decodes them instead of holding the whole picture.
#pragma once

#include <climits>
#include <deque>
#include <optional>
#include <vector>

#include "fit_picture.h"

// How the upright picture's axes lie in the stored one (EXIF orientation):
// from 5 on, upright x runs along stored y; each upright axis may run
// against its stored one.
struct AxisMapping {
    bool swapped;
    bool reverseX;  // upright x runs from the stored axis's far end
    bool reverseY;
};
AxisMapping axisMapping(int orientation);

// For each destination pixel along one axis, the source pixels it is made of
// and their weights (summing to 1).
struct AxisTaps {
    std::vector<int> first;  // index into source/weight for destination pixel i; first[i + 1] ends it
    std::vector<int> source;
    std::vector<float> weight;
    int lowest = INT_MAX;
    int highest = INT_MIN;
};

// Scales the plan's rectangle of the upright picture to its scaled size,
// placed on the canvas, in linear light: shrinking averages the covered area,
// enlarging interpolates. Each stored row the plan uses is filtered as it
// comes and kept only while a destination row (or, with the axes swapped, a
// destination column) still needs it; every sum is made in the order of its
// taps, so the bytes do not depend on how the rows arrived.
class RowFit {
public:
    // `picture` gives the stored and declared sizes and the orientation; its
    // pixels are not read. `region` is the upright rectangle the plan may read.
    RowFit(const Picture& picture, const FitPlan& plan, const CropRect& region);

    int firstRow() const { return rowTaps_.lowest; }
    int lastRow() const { return rowTaps_.highest; }
    // Stored row `y` (3 bytes a pixel); rows come in increasing order, and
    // rows outside firstRow()..lastRow() may be given or left out.
    void takeRow(int y, const uint8_t* rgb);
    // The fitted picture, once the last row was taken.
    RgbPicture finish();

private:
    void filterRow(const uint8_t* rgb, std::vector<float>& out) const;
    void emitUnit(int unit);

    bool swapped_;
    FitPlan plan_;
    AxisTaps rowTaps_;    // over stored rows: destination rows, or columns when swapped
    AxisTaps acrossTaps_; // along a stored row, or down a destination column when swapped
    std::vector<int> order_;          // units in the order their last row arrives
    std::vector<int> highestOf_;      // the last row each unit reads
    std::vector<int> neededFrom_;     // the lowest row that order_[i] and later units read
    size_t emitted_ = 0;
    std::deque<std::vector<float>> kept_;  // filtered rows from keptFirst_ on
    int keptFirst_ = 0;
    int lastTaken_ = -1;
    std::vector<float> sums_;
    RgbPicture result_;
};
