// SPDX-License-Identifier: GPL-3.0-or-later
// The memory a make is told it would take, worked out by hand for a few
// shapes, and the budget's edge.
#include <gtest/gtest.h>

#include "make_budget.h"
#include "maker_error.h"

namespace {

struct FitCost {
    const char* what;
    int fileWidth, fileHeight, storedWidth, storedHeight;
    std::optional<int> orientation;
    FitMode mode;
    uint64_t bytes;
};

// 1000 x 1000 covered: taps (1000 + 2 x 256 + 2) x 16 + 257 x 8 = 26280 an
// axis; a band of ceil(1000 / 256) + 2 = 6 rows of 256 x 12 bytes, a row of
// sums 3072, the canvas 196608. Turned, the band's rows hold the 1002 stored
// columns read: 6 x 1002 x 12, and sums 1002 x 12.
const FitCost fitCosts[] = {
    {"square, cover", 1000, 1000, 1000, 1000, 1, FitMode::cover, 2 * 26280 + 6 * 3072 + 3072 + 196608},
    {"square, stretch", 1000, 1000, 1000, 1000, 1, FitMode::stretch, 2 * 26280 + 6 * 3072 + 3072 + 196608},
    {"square turned, cover", 1000, 1000, 1000, 1000, 6, FitMode::cover, 2 * 26280 + 7 * 1002 * 12 + 196608},
    // A JPEG decoded at 1/4: 250 stored rows, (250 + 512 + 2) x 16 + 2056 = 14280 an axis, a band of 3 rows.
    {"reduced decode, cover", 1000, 1000, 250, 250, 1, FitMode::cover, 2 * 14280 + 3 * 3072 + 3072 + 196608},
    {"upright, none", 1000, 1000, 1000, 1000, 1, FitMode::none, 0},
    {"mirrored, none", 1000, 1000, 1000, 1000, 2, FitMode::none, 3000000},
    {"orientation unknown, none", 1000, 1000, 1000, 1000, std::nullopt, FitMode::none, 3000000},
    // One row of 100000 contained: 256 x 1 placed; the across taps hold the
    // whole row: (100000 + 514) x 16 + 257 x 8, down (1 + 4) x 16 + 2 x 8;
    // the band holds at most the rows there are (one, and one more).
    {"row, contain", 100000, 1, 100000, 1, 1, FitMode::contain,
     (100514 * 16 + 2056) + (5 * 16 + 16) + 2 * 256 * 12 + 256 * 12 + 196608},
};

}  // namespace

TEST(MakeBudget, FitCostsAreTheResamplersAllocations)
{
    for (const FitCost& cost : fitCosts)
        EXPECT_EQ(fitMemoryBytes(cost.fileWidth, cost.fileHeight, cost.storedWidth, cost.storedHeight,
                                 cost.orientation, cost.mode),
                  cost.bytes)
            << cost.what;
}

TEST(MakeBudget, RefusesOneByteBeyondTheBudget)
{
    const ReadRequest request{"edge.png", FitMode::cover};
    const uint64_t fit = fitMemoryBytes(1000, 1000, 1000, 1000, std::nullopt, FitMode::cover);
    const uint64_t reader = makeMemoryBudget - 5000 - fit;
    EXPECT_NO_THROW(checkMemoryBudget(PictureFormat::png, request, 5000, 1000, 1000, reader));
    try {
        checkMemoryBudget(PictureFormat::png, request, 5000, 1000, 1000, reader + 1);
        ADD_FAILURE() << "one byte more was taken";
    } catch (const MakeError& error) {
        EXPECT_STREQ(error.what(), "'edge.png' is a PNG of 1000 x 1000 pixels that would take about 341 MB to read, "
                                   "more than the 340 MB a make may use");
    }
}
