// SPDX-License-Identifier: GPL-3.0-or-later
// A picture with a marked corner comes out upright for each of the eight EXIF
// orientations, in JPEG, PNG and WebP, whatever the fit.
#include "maker_test_support.h"
#include "picture_encoders.h"

using namespace makertest;

namespace {

// Stored 40 x 24: grey, with a red block in the stored top-left corner.
std::array<uint8_t, 4> marked(int x, int y)
{
    return x < 10 && y < 8 ? std::array<uint8_t, 4>{230, 20, 20, 255} : std::array<uint8_t, 4>{90, 90, 90, 255};
}

// Where the stored top-left corner is shown, by orientation: 0 top left,
// 1 top right, 2 bottom left, 3 bottom right.
constexpr int shownCorner[9] = {0, 0, 1, 3, 2, 0, 1, 3, 2};

Bytes markedFile(PictureFormat format, int orientation)
{
    const Bytes exif = encoders::exifOrientationBlock(orientation);
    if (format == PictureFormat::jpeg)
        return encoders::jpegFile({40, 24, encoders::JpegKind::baseline, 95, {}, exif}, marked);
    if (format == PictureFormat::webp)
        return encoders::webpFile({40, 24, encoders::WebpKind::lossless, {}, exif}, marked);
    encoders::PngShape shape;
    shape.width = 40;
    shape.height = 24;
    shape.exif = exif;
    return encoders::pngFile(shape, marked);
}

bool redAt(const RgbPicture& picture, int x, int y)
{
    const uint8_t* pixel = &picture.rgb[(size_t(y) * size_t(picture.width) + size_t(x)) * 3];
    return pixel[0] > 180 && pixel[1] < 80;
}

class MakeOrientation : public MakerTest, public ::testing::WithParamInterface<std::tuple<PictureFormat, int>> {};

}  // namespace

TEST_P(MakeOrientation, TheMarkedCornerLandsWhereViewersShowIt)
{
    const auto [format, orientation] = GetParam();
    const Bytes file = markedFile(format, orientation);
    for (FitMode fit : {FitMode::none, FitMode::stretch}) {
        const RgbPicture upright = fitPicture(readPictureFile(file, "marked", fit), fit);
        const bool turned = orientation >= 5;
        ASSERT_EQ(upright.width, fit == FitMode::stretch ? 256 : turned ? 24 : 40);
        ASSERT_EQ(upright.height, fit == FitMode::stretch ? 256 : turned ? 40 : 24);
        const int right = upright.width - 2, bottom = upright.height - 2;
        const bool corners[4] = {redAt(upright, 1, 1), redAt(upright, right, 1), redAt(upright, 1, bottom),
                                 redAt(upright, right, bottom)};
        for (int corner = 0; corner < 4; ++corner)
            EXPECT_EQ(corners[corner], corner == shownCorner[orientation])
                << "corner " << corner << ", fit " << fitModeName(fit);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryOrientation, MakeOrientation,
                         ::testing::Combine(::testing::Values(PictureFormat::jpeg, PictureFormat::png,
                                                              PictureFormat::webp),
                                            ::testing::Range(1, 9)));

TEST_F(MakerTest, MakeSaysWhenItTurnedThePictureUpright)
{
    write("phone.jpg", markedFile(PictureFormat::jpeg, 6));
    const ToolRun made = glimmer({"make", path("phone.jpg"), "-o", path("out.scr")});
    ASSERT_EQ(made.status, 0) << describe(made);
    EXPECT_NE(made.out.find("from the JPEG of 24 x 40, turned upright (EXIF orientation 6) (fit cover"),
              std::string::npos)
        << made.out;
}
