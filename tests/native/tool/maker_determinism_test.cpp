// SPDX-License-Identifier: GPL-3.0-or-later
// What keeps the maker's bytes the same on every machine and C library: its
// own stable sort and plain-arithmetic powers (in place of qsort and pow),
// and make itself giving the same bytes on every run.
#include <cmath>
#include <random>

#include "maker_test_support.h"
#include "picture_encoders.h"
#include "plain_power.h"
#include "stable_sort.h"

using namespace makertest;

namespace {

struct Record {
    int key;
    int order;
};

int compareKeys(const void* a, const void* b)
{
    return static_cast<const Record*>(a)->key - static_cast<const Record*>(b)->key;
}

}  // namespace

TEST(PlainPower, AgreesWithTheCLibraryToThirteenDigits)
{
    const double cases[][2] = {{0.5, 2.4},   {0.0031, 2.4},     {1.0, 7.0},  {0.999, 1 / 2.4}, {1e-6, 0.45},
                               {200.5, 1.2}, {0.25, 1.2098},    {7.0, -2.0}, {1e-300, 0.5},    {3.0, 0.0},
                               {0.0, 2.0},   {65535.0, 1 / 3.0}};
    for (const auto& [x, y] : cases)
        EXPECT_NEAR(glimmer_pow(x, y), std::pow(x, y), std::pow(x, y) * 1e-13) << x << " ^ " << y;
    EXPECT_EQ(glimmer_powf(0.5f, 2.0f), 0.25f);
}

// lcms2's exp, log and log10 calls go to these.
TEST(PlainPower, ExponentialsAndLogarithmsAgreeWithTheCLibrary)
{
    for (double x : {-700.0, -1.0, -1e-9, 0.0, 0.5, 1.0, 2.302585092994046, 88.0, 700.0})
        EXPECT_NEAR(glimmer_exp(x), std::exp(x), std::exp(x) * 1e-13) << "exp " << x;
    for (double x : {1e-300, 1e-5, 0.3, 1.0, 2.0, 10.0, 1000.0, 1e300}) {
        EXPECT_NEAR(glimmer_log(x), std::log(x), std::abs(std::log(x)) * 1e-14 + 1e-16) << "log " << x;
        EXPECT_NEAR(glimmer_log10(x), std::log10(x), std::abs(std::log10(x)) * 1e-14 + 1e-16) << "log10 " << x;
    }
    const double infinity = HUGE_VAL;
    EXPECT_EQ(glimmer_exp(infinity), infinity);
    EXPECT_EQ(glimmer_exp(-infinity), 0.0);
    EXPECT_EQ(glimmer_log(0.0), -infinity);
    EXPECT_EQ(glimmer_log(infinity), infinity);
    EXPECT_TRUE(std::isnan(glimmer_log(-1.0)));
}

TEST(StableSort, KeepsTheOrderOfEqualKeysAsStableSortDoes)
{
    std::mt19937 random(7);
    for (size_t count : {0u, 1u, 2u, 7u, 64u, 1000u}) {
        std::vector<Record> records;
        for (size_t i = 0; i < count; ++i)
            records.push_back(Record{int(random() % 5), int(i)});
        std::vector<Record> expected = records;
        std::stable_sort(expected.begin(), expected.end(), [](const Record& a, const Record& b) { return a.key < b.key; });
        glimmer_stable_sort(records.data(), records.size(), sizeof(Record), compareKeys);
        for (size_t i = 0; i < count; ++i)
            ASSERT_TRUE(records[i].key == expected[i].key && records[i].order == expected[i].order)
                << count << " records, at " << i;
    }
}

TEST_F(MakerTest, MakeGivesTheSameBytesEveryRun)
{
    const Bytes photo = encoders::jpegFile({300, 200, encoders::JpegKind::baseline, 90, {}, {}}, [](int x, int y) {
        return std::array<uint8_t, 4>{uint8_t(x), uint8_t(y * 3), uint8_t((x * y) >> 4), 255};
    });
    write("photo.jpg", photo);
    for (const char* fit : {"cover", "contain", "none"}) {
        ASSERT_EQ(glimmer({"make", path("photo.jpg"), "-o", path("first.dat"), "--external", "--fit", fit}).status, 0);
        ASSERT_EQ(glimmer({"make", path("photo.jpg"), "-o", path("again.dat"), "--external", "--fit", fit}).status, 0);
        EXPECT_EQ(read("first.dat"), read("again.dat")) << fit;
    }
}
