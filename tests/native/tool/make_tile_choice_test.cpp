// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the tile: --crop gives what the rectangle cut out beforehand
// gives, --turn what the picture turned beforehand gives (over EXIF
// orientations), bad choices are refused with their reasons, --seamless makes
// opposite edges meet, and a kept picture is made again without reading it.
#include "fit_picture.h"
#include "make_saver.h"
#include "maker_error.h"
#include "maker_test_support.h"
#include "picture_encoders.h"
#include "seamless_tile.h"

using namespace makertest;

namespace {

// A shown (upright) picture with no symmetry: every pixel differs.
std::array<uint8_t, 4> shownColour(int x, int y)
{
    return {uint8_t(x * 5 + y), uint8_t(y * 7 + (x >> 2)), uint8_t((x * y) & 255), 255};
}

Bytes pngOf(int width, int height, const encoders::Pixels& pixels, int orientation = 1)
{
    encoders::PngShape shape;
    shape.width = width;
    shape.height = height;
    if (orientation != 1)
        shape.exif = encoders::exifOrientationBlock(orientation);
    return encoders::pngFile(shape, pixels);
}

struct CropCase {
    const char* fit;
    CropRect crop;
};

class MakeCrop : public MakerTest, public ::testing::WithParamInterface<CropCase> {};

}  // namespace

TEST_P(MakeCrop, GivesTheRectangleCutOutBeforehand)
{
    // Copies, not structured bindings: clang 14's lambdas cannot capture those.
    const std::string fit = GetParam().fit;
    const CropRect crop = GetParam().crop;
    write("whole.png", pngOf(96, 64, shownColour));
    write("part.png", pngOf(crop.width, crop.height, [&](int x, int y) { return shownColour(crop.x + x, crop.y + y); }));
    const std::string cropText = std::to_string(crop.x) + "," + std::to_string(crop.y) + "," +
                                 std::to_string(crop.width) + "," + std::to_string(crop.height);
    const ToolRun cropped = glimmer({"make", path("whole.png"), "-o", path("cropped.scr"), "--fit", fit, "--crop", cropText});
    const ToolRun cut = glimmer({"make", path("part.png"), "-o", path("cut.scr"), "--fit", fit});
    ASSERT_EQ(cropped.status, 0) << describe(cropped);
    ASSERT_EQ(cut.status, 0) << describe(cut);
    EXPECT_EQ(read("cropped.scr"), read("cut.scr"));
    const std::string said = "from the PNG of 96 x 64, cropped to " + std::to_string(crop.width) + " x " +
                             std::to_string(crop.height) + " at " + std::to_string(crop.x) + "," +
                             std::to_string(crop.y) + " (fit " + fit;
    EXPECT_NE(cropped.out.find(said), std::string::npos) << cropped.out;
}

INSTANTIATE_TEST_SUITE_P(CropsAndFits, MakeCrop,
                         ::testing::Values(CropCase{"cover", {0, 0, 96, 64}}, CropCase{"cover", {10, 5, 40, 30}},
                                           CropCase{"cover", {50, 20, 46, 44}}, CropCase{"contain", {10, 5, 40, 30}},
                                           CropCase{"stretch", {95, 63, 1, 1}}, CropCase{"none", {7, 9, 33, 21}},
                                           CropCase{"contain", {0, 31, 96, 2}}));

namespace {

// Where a stored pixel is shown, by EXIF orientation, for a stored picture of
// storedWidth x storedHeight.
std::pair<int, int> shownAt(int orientation, int x, int y, int storedWidth, int storedHeight)
{
    switch (orientation) {
    case 3: return {storedWidth - 1 - x, storedHeight - 1 - y};
    case 6: return {storedHeight - 1 - y, x};
    case 8: return {y, storedWidth - 1 - x};
    default: return {x, y};
    }
}

// The shown picture (shownWidth x shownHeight) turned clockwise by `turn`.
encoders::Pixels turned(int turn, int shownWidth, int shownHeight)
{
    return [=](int x, int y) {
        switch (turn) {
        case 90: return shownColour(y, shownHeight - 1 - x);
        case 180: return shownColour(shownWidth - 1 - x, shownHeight - 1 - y);
        case 270: return shownColour(shownWidth - 1 - y, x);
        default: return shownColour(x, y);
        }
    };
}

class MakeTurn : public MakerTest, public ::testing::WithParamInterface<std::tuple<int, int>> {};

}  // namespace

TEST_P(MakeTurn, GivesThePictureTurnedBeforehand)
{
    const int orientation = std::get<0>(GetParam());
    const int turn = std::get<1>(GetParam());
    const int shownWidth = 40, shownHeight = 24;
    const bool swapped = orientation >= 5;
    const int storedWidth = swapped ? shownHeight : shownWidth;
    const int storedHeight = swapped ? shownWidth : shownHeight;
    write("stored.png", pngOf(storedWidth, storedHeight, [&](int x, int y) {
              const auto [shownX, shownY] = shownAt(orientation, x, y, storedWidth, storedHeight);
              return shownColour(shownX, shownY);
          }, orientation));
    const bool quarter = turn == 90 || turn == 270;
    write("turned.png", pngOf(quarter ? shownHeight : shownWidth, quarter ? shownWidth : shownHeight,
                              turned(turn, shownWidth, shownHeight)));
    for (const char* fit : {"none", "stretch"}) {
        const ToolRun made = glimmer({"make", path("stored.png"), "-o", path("made.scr"), "--fit", fit, "--turn",
                                      std::to_string(turn)});
        const ToolRun before = glimmer({"make", path("turned.png"), "-o", path("before.scr"), "--fit", fit});
        ASSERT_EQ(made.status, 0) << describe(made);
        ASSERT_EQ(before.status, 0) << describe(before);
        EXPECT_EQ(read("made.scr"), read("before.scr")) << "fit " << fit;
        EXPECT_NE(made.out.find(", turned " + std::to_string(turn) + "° (fit"), std::string::npos) << made.out;
    }
}

INSTANTIATE_TEST_SUITE_P(TurnsOverOrientations, MakeTurn,
                         ::testing::Combine(::testing::Values(1, 3, 6, 8), ::testing::Values(90, 180, 270)));

TEST(TileChoice, TurnsComposeWithEveryOrientation)
{
    // {EXIF orientation, turn, the orientation that shows both}
    const int table[][3] = {{1, 0, 1},  {1, 90, 6},  {1, 180, 3}, {1, 270, 8}, {6, 90, 3}, {6, 270, 1},
                            {3, 90, 8}, {8, 90, 1},  {2, 90, 7},  {2, 270, 5}, {4, 90, 5}, {5, 180, 7},
                            {7, 90, 4}, {5, 90, 2}};
    for (const auto& row : table)
        EXPECT_EQ(turnedOrientation(row[0], row[1]), row[2]) << row[0] << " turned " << row[1];
}

TEST_F(MakerTest, BadCropsAndTurnsAreRefusedWithTheirReasons)
{
    write("wide.png", pngOf(96, 64, shownColour));
    const struct {
        std::vector<std::string> choice;
        const char* reason;
    } table[] = {
        {{"--crop", "0,0,0,10"}, "the rectangle of 0 x 10 at 0,0 of the 96 x 64 picture cannot be used: it has no pixels"},
        {{"--crop", "5,5,10,-3"}, "it has no pixels"},
        {{"--crop", "90,0,10,10"}, "the rectangle of 10 x 10 at 90,0 of the 96 x 64 picture cannot be used: it is not inside"},
        {{"--crop", "-1,0,10,10"}, "it is not inside the picture"},
        {{"--crop", "0,60,96,5"}, "it is not inside the picture"},
        {{"--turn", "90", "--crop", "0,0,96,64"}, "of the 64 x 96 picture cannot be used: it is not inside"},
        {{"--crop", "1,2,3"}, "--crop takes X,Y,W,H"},
        {{"--crop", "1,2,3,4,5"}, "--crop takes X,Y,W,H"},
        {{"--crop", "a,b,c,d"}, "--crop takes X,Y,W,H"},
        {{"--turn", "45"}, "--turn takes 90, 180 or 270 (degrees clockwise), not 45"},
        {{"--turn", "360"}, "not 360"},
        {{"--turn", "-90"}, "not -90"},
    };
    for (const auto& row : table) {
        std::vector<std::string> words{"make", path("wide.png"), "-o", path("refused.scr")};
        words.insert(words.end(), row.choice.begin(), row.choice.end());
        const ToolRun run = glimmer(words);
        EXPECT_EQ(run.status, 2) << describe(run);
        EXPECT_NE(run.err.find(row.reason), std::string::npos) << run.err;
        EXPECT_FALSE(exists("refused.scr")) << row.reason;
    }
}

TEST(TileChoice, SeamlessEdgesMeetAndTheCentreStays)
{
    // A ramp across and a different one down: hard edges when tiled.
    RgbPicture tile = rgbPicture(256, 256, [](int x, int y) { return uint32_t(x << 16 | (255 - y) << 8 | ((x + y) & 255)); });
    const RgbPicture before = tile;
    blendEdgesTogether(tile);
    const auto at = [](const RgbPicture& picture, int x, int y, int channel) {
        return int(picture.rgb[(size_t(y) * 256 + size_t(x)) * 3 + size_t(channel)]);
    };
    EXPECT_EQ(seamlessBand(256), 32);
    for (int along = 0; along < 256; ++along)
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_LE(std::abs(at(tile, 0, along, channel) - at(tile, 255, along, channel)), 12) << along;
            EXPECT_LE(std::abs(at(tile, along, 0, channel) - at(tile, along, 255, channel)), 12) << along;
        }
    for (size_t y = 32; y < 224; ++y)
        ASSERT_TRUE(std::equal(tile.rgb.begin() + long((y * 256 + 32) * 3), tile.rgb.begin() + long((y * 256 + 224) * 3),
                               before.rgb.begin() + long((y * 256 + 32) * 3)))
            << "row " << y;
    // Before, the red ramp jumps from 255 to 0 at the seam.
    EXPECT_EQ(at(before, 255, 100, 0) - at(before, 0, 100, 0), 255);
    EXPECT_NE(at(tile, 31, 100, 0), at(before, 31, 100, 0));
}

TEST_F(MakerTest, MakeSaysSeamlessAndChangesOnlyTheEdges)
{
    write("wide.png", pngOf(96, 64, shownColour));
    const ToolRun plain = glimmer({"make", path("wide.png"), "-o", path("plain.scr")});
    const ToolRun seamless = glimmer({"make", path("wide.png"), "-o", path("seamless.scr"), "--seamless"});
    ASSERT_EQ(seamless.status, 0) << describe(seamless);
    EXPECT_NE(seamless.out.find("from the PNG of 96 x 64, seamless (fit cover"), std::string::npos) << seamless.out;
    EXPECT_NE(read("plain.scr"), read("seamless.scr"));
}

TEST(TileChoice, AJpegIsDecodedAtTheScaleItsCropNeeds)
{
    // {crop or none, the decoded width of a 1024 x 768 JPEG}: the smallest n/8 with a pixel per tile pixel.
    const struct {
        std::optional<CropRect> crop;
        int decodedWidth;
    } table[] = {
        {std::nullopt, 384},               // 768 high: 3/8 gives 288 >= 256
        {CropRect{0, 0, 1024, 768}, 384},
        {CropRect{100, 100, 512, 512}, 512},  // 4/8 gives 256
        {CropRect{0, 0, 256, 256}, 1024},
        {CropRect{500, 300, 400, 300}, 896},  // 300 high needs 7/8 (262)
    };
    const Bytes jpeg = encoders::jpegFile({1024, 768, encoders::JpegKind::baseline, 90, {}, {}}, shownColour);
    for (const auto& row : table) {
        const Picture picture = readPicture(jpeg, PictureFormat::jpeg, ReadRequest{"photo", FitMode::cover, 0, row.crop});
        EXPECT_EQ(picture.stored.width, row.decodedWidth) << (row.crop ? row.crop->width : 0);
    }
    EXPECT_TRUE(decodeSizeSuffices(4000, 3000, 500, 375, 1, FitMode::cover));
    EXPECT_FALSE(decodeSizeSuffices(4000, 3000, 500, 375, 1, FitMode::cover, CropRect{0, 0, 1000, 1000}));
    EXPECT_TRUE(decodeSizeSuffices(4000, 3000, 1500, 1125, 1, FitMode::cover, CropRect{0, 0, 1000, 1000}));
}

TEST(TileChoice, AKeptPictureIsMadeAgainAsIfReadAfresh)
{
    const Bytes jpeg = encoders::jpegFile({1024, 768, encoders::JpegKind::baseline, 90, {}, {}}, shownColour);
    PictureKeep keep;
    const std::vector<std::tuple<std::optional<CropRect>, int, bool, int>> choices = {
        // crop, turn, seamless, the decoded width kept after it
        {std::nullopt, 0, false, 384},
        {CropRect{10, 10, 700, 700}, 0, true, 384},
        {CropRect{0, 0, 256, 256}, 90, false, 1024},
        {CropRect{8, 8, 256, 256}, 270, true, 1024},
        {std::nullopt, 180, false, 384},
    };
    for (const auto& [crop, turn, seamless, keptWidth] : choices) {
        MakeOptions options;
        options.crop = crop;
        options.turn = turn;
        options.seamless = seamless;
        const MadeSaver afresh = makeSaverPackage(jpeg, options, {});
        options.keep = &keep;
        const MadeSaver again = makeSaverPackage(jpeg, options, {});
        EXPECT_EQ(again.file, afresh.file) << turn;
        EXPECT_EQ(again.summary, afresh.summary);
        ASSERT_TRUE(keep.picture.has_value());
        EXPECT_EQ(keep.picture->stored.width, keptWidth) << turn;
    }
    // Another fit has another size limit and memory budget: the picture is read again, and they checked.
    MakeOptions contain;
    contain.fit = FitMode::contain;
    contain.keep = &keep;
    EXPECT_EQ(makeSaverPackage(jpeg, contain, {}).file, makeSaverPackage(jpeg, MakeOptions{.fit = FitMode::contain}, {}).file);
    EXPECT_EQ(keep.fit, FitMode::contain);
    MakeOptions sizeOnly;
    sizeOnly.turn = 90;
    sizeOnly.keep = &keep;
    const ShownSize shown = shownPictureSize(jpeg, sizeOnly);
    EXPECT_EQ(shown.width, 768);
    EXPECT_EQ(shown.height, 1024);
}
