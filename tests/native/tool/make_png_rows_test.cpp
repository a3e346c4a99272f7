// SPDX-License-Identifier: GPL-3.0-or-later
// A PNG that is not interlaced is fitted row by row as libpng decodes it:
// the saver is the one made from the picture read whole (as a kept picture
// is), for every kind of PNG, orientation, fit and choice of tile.
#include "crafted_pictures.h"
#include "make_saver.h"
#include "maker_test_support.h"
#include "picture_encoders.h"

using namespace makertest;

TEST(MakePngRows, GivesTheSaverOfThePictureReadWhole)
{
    // Twelve colours where a palette holds them, else every pixel its own.
    const auto colours = [](bool palette) -> encoders::Pixels {
        if (palette)
            return [](int x, int y) {
                const int which = (x / 16 + y / 12) % 12;
                return std::array<uint8_t, 4>{uint8_t(which * 20), uint8_t(255 - which * 20), 7,
                                              uint8_t(which ? 255 : 0)};
            };
        return [](int x, int y) {
            return std::array<uint8_t, 4>{uint8_t(x * 3 + y), uint8_t(y * 5 + (x >> 1)), uint8_t((x * y) >> 3),
                                          uint8_t(255 - ((x + y) & 127))};
        };
    };
    const struct {
        encoders::PngShape shape;
        int orientation;
        MakeOptions options;
    } table[] = {
        {{.width = 700, .height = 450}, 1, {}},
        {{.width = 300, .height = 520, .colourType = PNG_COLOR_TYPE_GRAY_ALPHA, .depth = 16}, 6,
         {.fit = FitMode::contain}},
        {{.width = 320, .height = 200, .colourType = PNG_COLOR_TYPE_PALETTE, .transparentIndexZero = true}, 3,
         {.fit = FitMode::stretch, .crop = CropRect{30, 20, 200, 90}}},
        {{.width = 500, .height = 380, .colourType = PNG_COLOR_TYPE_RGB_ALPHA}, 5, {.turn = 90, .seamless = true}},
        {{.width = 40, .height = 24}, 8, {.turn = 180}},
        {{.width = 400, .height = 300, .profile = encoders::displayP3Profile()}, 7,
         {.crop = CropRect{10, 40, 250, 260}}},
    };
    for (const auto& row : table) {
        encoders::PngShape shape = row.shape;
        shape.exif = encoders::exifOrientationBlock(row.orientation);
        const Bytes png = encoders::pngFile(shape, colours(shape.colourType == PNG_COLOR_TYPE_PALETTE));
        MakeOptions options = row.options;
        const MadeSaver streamed = makeSaverPackage(png, options, {});
        PictureKeep keep;
        options.keep = &keep;
        const MadeSaver whole = makeSaverPackage(png, options, {});
        ASSERT_TRUE(keep.picture.has_value()) << row.orientation;
        EXPECT_EQ(streamed.file, whole.file) << row.orientation;
        EXPECT_EQ(streamed.summary, whole.summary) << row.orientation;
    }
}

// A picture of more than 4 megapixels is fitted as it is read even when a
// keep is given: it would cost more to hold than to read again. The keep lets
// go of what it held.
TEST(MakePngRows, ALargePictureIsNotKept)
{
    const Bytes small = encoders::pngFile({.width = 64, .height = 48}, [](int x, int y) {
        return std::array<uint8_t, 4>{uint8_t(x * 4), uint8_t(y * 5), 9, 255};
    });
    const Bytes large = crafted::pngOneBitStripes(2048, 2049);
    PictureKeep keep;
    MakeOptions options{.keep = &keep};
    makeSaverPackage(small, options, {});
    ASSERT_TRUE(keep.picture.has_value());
    const MadeSaver made = makeSaverPackage(large, options, {});
    EXPECT_FALSE(keep.picture.has_value());
    EXPECT_TRUE(keep.file.empty());
    EXPECT_EQ(made.file, makeSaverPackage(large, MakeOptions{}, {}).file);
}
