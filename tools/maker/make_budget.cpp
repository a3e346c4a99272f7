// SPDX-License-Identifier: GPL-3.0-or-later
#include "make_budget.h"

#include <algorithm>
#include <cmath>

#include "fit_picture.h"
#include "maker_error.h"

namespace {

// One axis of the resampler: its taps (an index and a weight each, in
// vectors that may have grown to twice what they hold) for `span` source
// pixels made into `count`.
uint64_t axisTapBytes(double span, int count)
{
    const double taps = span + 2.0 * count + 2;
    return uint64_t(taps * 2 * (sizeof(int) + sizeof(float))) + uint64_t(count + 1) * sizeof(int) * 2;
}

uint64_t fitBytesFor(int fileWidth, int fileHeight, int storedWidth, int storedHeight, int orientation, FitMode mode)
{
    const uint64_t storedPixels = uint64_t(storedWidth) * uint64_t(storedHeight);
    if (mode == FitMode::none)
        return orientation == 1 ? 0 : storedPixels * 3;  // turned upright into a copy
    const bool swapped = orientation >= 5;
    const int uprightWidth = swapped ? fileHeight : fileWidth;
    const int uprightHeight = swapped ? fileWidth : fileHeight;
    const FitPlan plan = planFit(uprightWidth, uprightHeight, mode);
    const double spanX = plan.width * (swapped ? storedHeight : storedWidth) / uprightWidth;
    const double spanY = plan.height * (swapped ? storedWidth : storedHeight) / uprightHeight;
    // A band of filtered stored rows (as many as one destination row or
    // column reads, and two more, at most those there are) is kept: rows of the destination's width,
    // or with the axes swapped, of the stored columns the fit reads.
    const int units = swapped ? plan.scaledWidth : plan.scaledHeight;
    const double rowsRead = swapped ? spanX : spanY;
    const double rowsPerUnit = std::min(std::ceil(rowsRead / units) + 2, std::ceil(rowsRead) + 1);
    const double rowFloats = swapped ? (spanY + 2) * 3 : plan.scaledWidth * 3.0;
    const auto floats = [](double count) { return uint64_t(count) * sizeof(float); };
    return axisTapBytes(spanX, plan.scaledWidth) + axisTapBytes(spanY, plan.scaledHeight) +
           floats(rowsPerUnit * rowFloats) + floats(rowFloats) +
           uint64_t(plan.canvasWidth) * uint64_t(plan.canvasHeight) * 3;
}

uint64_t megabytes(uint64_t bytes)
{
    return (bytes + (uint64_t(1) << 20) - 1) >> 20;
}

}  // namespace

uint64_t fitMemoryBytes(int fileWidth, int fileHeight, int storedWidth, int storedHeight,
                        std::optional<int> orientation, FitMode mode)
{
    if (orientation)
        return fitBytesFor(fileWidth, fileHeight, storedWidth, storedHeight, *orientation, mode);
    return std::max(fitBytesFor(fileWidth, fileHeight, storedWidth, storedHeight, 2, mode),
                    fitBytesFor(fileWidth, fileHeight, storedWidth, storedHeight, 6, mode));
}

void checkMemoryBudget(PictureFormat format, const ReadRequest& request, size_t fileBytes, int width, int height,
                       uint64_t readerBytes, std::optional<int> orientation, int storedWidth, int storedHeight)
{
    if (storedWidth <= 0 || storedHeight <= 0)
        storedWidth = width, storedHeight = height;
    const uint64_t fitBytes = fitMemoryBytes(width, height, storedWidth, storedHeight, orientation, request.fit);
    const uint64_t total = uint64_t(fileBytes) + readerBytes + fitBytes;
    if (total <= makeMemoryBudget)
        return;
    std::string message = "'" + std::string(request.name) + "' is a " + pictureFormatName(format) + " of " +
                          std::to_string(width) + " x " + std::to_string(height) + " pixels that would take about " +
                          std::to_string(megabytes(total)) + " MB to ";
    message += fitBytes > readerBytes ? std::string("fit as \"") + fitModeName(request.fit) + "\"" : "read";
    message += ", more than the " + std::to_string(megabytes(makeMemoryBudget)) + " MB a make may use";
    const double ratio = double(std::max(width, height)) / std::min(width, height);
    if (fitBytes > readerBytes && ratio >= 100)
        message += " (its sides are " + std::to_string(int64_t(std::lround(ratio))) + " to 1)";
    refuse(message);
}
