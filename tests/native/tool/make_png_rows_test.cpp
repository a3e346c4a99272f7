// SPDX-License-Identifier: GPL-3.0-or-later
// A PNG that is not interlaced is fitted row by row as libpng decodes it:
// the saver is the one made from the picture read whole (as a kept picture
// is), for every kind of PNG, orientation, fit and choice of tile.
#include "make_saver.h"
#include "maker_test_support.h"
#include "picture_encoders.h"

using namespace makertest;

namespace {

std::array<uint8_t, 4> varied(int x, int y)
{
    return {uint8_t(x * 3 + y), uint8_t(y * 5 + (x >> 1)), uint8_t((x * y) >> 3), uint8_t(255 - ((x + y) & 127))};
}

// Twelve colours, for a palette.
std::array<uint8_t, 4> few(int x, int y)
{
    const int which = (x / 16 + y / 12) % 12;
    return {uint8_t(which * 20), uint8_t(255 - which * 20), uint8_t(which * 7), uint8_t(which == 0 ? 0 : 255)};
}

struct RowsCase {
    const char* what;
    encoders::PngShape shape;
    int orientation;
    MakeOptions options;
    bool displayP3 = false;
};

encoders::PngShape shape(int width, int height, int colourType, int depth)
{
    encoders::PngShape made;
    made.width = width;
    made.height = height;
    made.colourType = colourType;
    made.depth = depth;
    return made;
}

const RowsCase rowsCases[] = {
    {"RGB shrunk, cover", shape(700, 450, PNG_COLOR_TYPE_RGB, 8), 1, {}},
    {"grey and alpha, 16-bit, EXIF 6, contain", shape(300, 520, PNG_COLOR_TYPE_GRAY_ALPHA, 16), 6,
     {.fit = FitMode::contain}},
    {"palette, transparent entry, EXIF 3, stretched crop", shape(320, 200, PNG_COLOR_TYPE_PALETTE, 8), 3,
     {.fit = FitMode::stretch, .crop = CropRect{30, 20, 200, 90}}},
    {"RGBA, EXIF 5, turned 90, seamless", shape(500, 380, PNG_COLOR_TYPE_RGB_ALPHA, 8), 5,
     {.turn = 90, .seamless = true}},
    {"enlarged, EXIF 8, turned 180", shape(40, 24, PNG_COLOR_TYPE_RGB, 8), 8, {.turn = 180}},
    {"Display P3, EXIF 7, cover crop", shape(400, 300, PNG_COLOR_TYPE_RGB, 8), 7,
     {.crop = CropRect{10, 40, 250, 260}}, true},
};

}  // namespace

TEST(MakePngRows, GivesTheSaverOfThePictureReadWhole)
{
    for (const RowsCase& row : rowsCases) {
        encoders::PngShape shape = row.shape;
        shape.exif = encoders::exifOrientationBlock(row.orientation);
        shape.transparentIndexZero = shape.colourType == PNG_COLOR_TYPE_PALETTE;
        if (row.displayP3)
            shape.profile = encoders::displayP3Profile();
        const Bytes png =
            encoders::pngFile(shape, shape.colourType == PNG_COLOR_TYPE_PALETTE ? encoders::Pixels(few) : varied);
        MakeOptions options = row.options;
        const MadeSaver streamed = makeSaverPackage(png, options, {});
        PictureKeep keep;
        options.keep = &keep;
        const MadeSaver whole = makeSaverPackage(png, options, {});
        ASSERT_TRUE(keep.picture.has_value()) << row.what;
        EXPECT_EQ(streamed.file, whole.file) << row.what;
        EXPECT_EQ(streamed.summary, whole.summary) << row.what;
    }
}
