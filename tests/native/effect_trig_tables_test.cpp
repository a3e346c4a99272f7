// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "effect/trig_tables.h"

namespace {

struct TableRow {
    int step;
    int32_t sine, cosine, sinePerp, cosinePerp;
};

// The rows that fix the rule: the single-precision cosine angle, the 1.571
// shift and the double product all show in them.
const TableRow fixedRows[] = {
    {0, 0, 256, 255, 0},
    {1, 6, 255, 255, -6},
    {32, 181, 181, 180, -181},
    {64, 256, 0, 0, -255},
    {128, 0, -255, -255, 0},
    {192, -256, 0, 0, 255},
    {255, -6, 255, 255, 6},
};

TrigTables builtTables()
{
    TrigTables tables;
    buildTrigTables(&tables);
    return tables;
}

}  // namespace

TEST(TrigTables, FixedRows)
{
    const TrigTables tables = builtTables();
    for (const TableRow& row : fixedRows) {
        SCOPED_TRACE(row.step);
        EXPECT_EQ(tables.sinTable[row.step], row.sine);
        EXPECT_EQ(tables.cosTable[row.step], row.cosine);
        EXPECT_EQ(tables.sinPerpTable[row.step], row.sinePerp);
        EXPECT_EQ(tables.cosPerpTable[row.step], row.cosinePerp);
    }
}

// The sine of step 64 is 1 - 1.6e-18; only its rounding to a double before the
// product makes the entry 256 (an 80-bit value would truncate to 255).
TEST(TrigTables, QuarterTurnSineIsFull)
{
    const TrigTables tables = builtTables();
    EXPECT_EQ(tables.sinTable[64], 256);
    EXPECT_EQ(tables.sinTable[192], -256);
}

// The cosine's angle is rounded to single precision: step 128 lands just past pi.
TEST(TrigTables, HalfTurnCosineFallsShort)
{
    EXPECT_EQ(builtTables().cosTable[128], -255);
}

TEST(TrigTables, EveryEntryWithinScale)
{
    const TrigTables tables = builtTables();
    for (int i = 0; i < trigSteps; ++i) {
        for (int32_t entry : {tables.sinTable[i], tables.cosTable[i], tables.sinPerpTable[i], tables.cosPerpTable[i]}) {
            EXPECT_GE(entry, -256) << "step " << i;
            EXPECT_LE(entry, 256) << "step " << i;
        }
    }
}

TEST(TrigTables, RebuildIsIdentical)
{
    TrigTables first;
    TrigTables second;
    buildTrigTables(&first);
    for (int i = 0; i < trigSteps; ++i)
        second.sinTable[i] = second.cosTable[i] = second.sinPerpTable[i] = second.cosPerpTable[i] = 12345;
    buildTrigTables(&second);
    for (int i = 0; i < trigSteps; ++i) {
        ASSERT_EQ(first.sinTable[i], second.sinTable[i]);
        ASSERT_EQ(first.cosTable[i], second.cosTable[i]);
        ASSERT_EQ(first.sinPerpTable[i], second.sinPerpTable[i]);
        ASSERT_EQ(first.cosPerpTable[i], second.cosPerpTable[i]);
    }
}
