// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures tagged with a colour profile are converted to sRGB: a Display P3
// red becomes the sRGB red it stands for, in each container that carries a
// profile; an untagged picture is taken as sRGB.
#include <cmath>

#include "maker_test_support.h"
#include "picture_encoders.h"

using namespace makertest;

namespace {

const std::array<uint8_t, 4> p3Red{200, 40, 40, 255};

// The same light in sRGB: Display P3 and sRGB share white point and curve;
// linear P3 to linear sRGB is this matrix.
std::array<int, 3> srgbOfP3(const std::array<uint8_t, 4>& colour)
{
    const double matrix[3][3] = {{1.2249, -0.2247, 0.0}, {-0.0420, 1.0419, 0.0}, {-0.0197, -0.0786, 1.0979}};
    double linear[3];
    for (int i = 0; i < 3; ++i)
        linear[i] = srgbToLinear(colour[size_t(i)] / 255.0);
    std::array<int, 3> result{};
    for (int row = 0; row < 3; ++row) {
        double light = 0;
        for (int column = 0; column < 3; ++column)
            light += matrix[row][column] * linear[column];
        light = std::clamp(light, 0.0, 1.0);
        const double encoded = light <= 0.0031308 ? light * 12.92 : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
        result[size_t(row)] = int(std::lround(encoded * 255));
    }
    return result;
}

struct ColourCase {
    PictureFormat format;
    bool tagged;
};

Bytes redFile(const ColourCase& colour)
{
    const Bytes profile = colour.tagged ? encoders::displayP3Profile() : Bytes();
    const auto flat = [](int, int) { return p3Red; };
    if (colour.format == PictureFormat::jpeg)
        return encoders::jpegFile({32, 32, encoders::JpegKind::baseline, 100, profile, {}}, flat);
    if (colour.format == PictureFormat::webp)
        return encoders::webpFile({32, 32, encoders::WebpKind::lossless, profile, {}}, flat);
    encoders::PngShape shape;
    shape.profile = profile;
    return encoders::pngFile(shape, flat);
}

class MakeColour : public MakerTest, public ::testing::WithParamInterface<ColourCase> {};

}  // namespace

TEST_P(MakeColour, ATaggedRedBecomesTheSrgbRedItStandsFor)
{
    const Picture picture = readPictureFile(redFile(GetParam()), "red");
    const std::array<int, 3> expected =
        GetParam().tagged ? srgbOfP3(p3Red) : std::array<int, 3>{p3Red[0], p3Red[1], p3Red[2]};
    EXPECT_EQ(picture.convertedFrom, GetParam().tagged ? "Display P3" : "");
    for (int channel = 0; channel < 3; ++channel)
        EXPECT_NEAR(picture.stored.rgb[size_t(channel)], expected[size_t(channel)], 2) << "channel " << channel;
}

INSTANTIATE_TEST_SUITE_P(EveryContainer, MakeColour,
                         ::testing::Values(ColourCase{PictureFormat::png, true}, ColourCase{PictureFormat::jpeg, true},
                                           ColourCase{PictureFormat::webp, true},
                                           ColourCase{PictureFormat::png, false}));

TEST_F(MakerTest, MakeSaysWhenItConvertedColours)
{
    write("p3.png", redFile({PictureFormat::png, true}));
    const ToolRun made = glimmer({"make", path("p3.png"), "-o", path("out.scr")});
    ASSERT_EQ(made.status, 0) << describe(made);
    EXPECT_NE(made.out.find("its colours converted from Display P3 to sRGB"), std::string::npos) << made.out;
}
