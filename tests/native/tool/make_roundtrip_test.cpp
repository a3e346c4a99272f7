// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer make -> inspect -> decode: every accepted format and fit mode gives
// a saver whose picture the saver's own decoder reads back as exactly what
// libimagequant produced, in a GIF the saver reads as it is.
#include "maker_test_support.h"

#include "embedded_saver.h"

using namespace makertest;

namespace {

// A picture with detail everywhere and more than 256 colours, so that the
// fitting and the quantiser both have work to do.
RgbPicture busyPicture(int width, int height)
{
    return rgbPicture(width, height, [&](int x, int y) {
        const uint32_t red = uint32_t(x * 255 / std::max(width - 1, 1));
        const uint32_t green = uint32_t(y * 255 / std::max(height - 1, 1));
        const uint32_t blue = uint32_t(((x / 7) ^ (y / 5)) * 29 & 255);
        return red << 16 | green << 8 | blue;
    });
}

Bytes encodeAs(PictureFormat format, const RgbPicture& picture)
{
    if (format != PictureFormat::gif)
        return encodeWithStb(format, picture);
    // A GIF that must be re-encoded: too few colours in its table for the saver.
    return giflibGif(GifShape{picture.width, picture.height, 64}, [&](int x, int y) {
        return uint8_t((x / 3 + y / 5) % 64);
    });
}

std::string extensionOf(PictureFormat format)
{
    switch (format) {
    case PictureFormat::gif: return "gif";
    case PictureFormat::png: return "png";
    case PictureFormat::jpeg: return "jpg";
    case PictureFormat::bmp: return "bmp";
    case PictureFormat::tga: return "tga";
    case PictureFormat::webp: return "webp";
    }
    return "bin";
}

struct RoundTripCase {
    PictureFormat format;
    FitMode fit;
};

std::string caseName(const ::testing::TestParamInfo<RoundTripCase>& info)
{
    return extensionOf(info.param.format) + "_" + fitModeName(info.param.fit);
}

class MakeRoundTrip : public MakerTest, public ::testing::WithParamInterface<RoundTripCase> {};

}  // namespace

TEST_P(MakeRoundTrip, DecodesToWhatTheQuantiserProduced)
{
    const auto [format, fit] = GetParam();
    const std::string name = "picture." + extensionOf(format);
    // Wider than tall and not a multiple of 256: every fit mode differs.
    const Bytes pictureFile = encodeAs(format, busyPicture(389, 301));
    write(name, pictureFile);

    const ToolRun made = glimmer({"make", path(name), "-o", path("out.scr"), "--fit", fitModeName(fit)});
    ASSERT_EQ(made.status, 0) << describe(made);
    EXPECT_NE(made.out.find("wrote " + path("out.scr")), std::string::npos) << made.out;

    // What make is expected to have packed, from the same steps.
    const IndexedPicture expected = quantisePicture(fitPicture(readPictureFile(pictureFile, name, fit), fit), 1.0);
    const int side = fit == FitMode::none ? 0 : 256;
    EXPECT_EQ(expected.width, side ? side : 389);
    EXPECT_EQ(expected.height, side ? side : 301);

    const ToolRun inspected = glimmer({"inspect", path("out.scr"), "--json"});
    ASSERT_EQ(inspected.status, 0) << describe(inspected);
    const Bytes saver = read("out.scr");
    const Bytes gif = recordZeroGif(saver);
    const std::string recordZero = "{\"imageCount\": 1, \"records\": [{\"width\": " +
                                   std::to_string(expected.width) + ", \"height\": " +
                                   std::to_string(expected.height) +
                                   ", \"colourKey\": 999, \"offset\": 61833, \"length\": " +
                                   std::to_string(gif.size()) + ", \"kind\": \"g\"}, ";
    EXPECT_EQ(inspected.out.substr(0, recordZero.size()), recordZero);
    EXPECT_EQ(saver.size(), 61833 + gif.size());
    EXPECT_EQ(inspected.err, "");

    // The program in front is the one carried inside the tool.
    const auto program = embeddedSaverProgram();
    ASSERT_EQ(program.size(), 61440u);
    EXPECT_TRUE(std::equal(program.begin(), program.end(), saver.begin()));

    // A non-interlaced GIF89a with a full 256-entry global table and nothing
    // between the table and the image.
    ASSERT_GT(gif.size(), 13u + 768u + 11u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    EXPECT_EQ(gif[10], 0xF7);
    EXPECT_EQ(gif[13 + 768], 0x2C);
    EXPECT_EQ(gif[13 + 768 + 9], 0x00);
    EXPECT_EQ(gif[13 + 768 + 10], 8);
    EXPECT_EQ(gif.back(), 0x3B);

    const ToolRun decoded = glimmer({"decode", path("out.scr"), "-o", path("out.pgm")});
    ASSERT_EQ(decoded.status, 0) << describe(decoded);
    const Pgm pgm = parsePgm(read("out.pgm"));
    EXPECT_EQ(pgm.width, expected.width);
    EXPECT_EQ(pgm.height, expected.height);
    EXPECT_TRUE(pgm.samples == expected.indices) << "the saver's decoder does not give the quantised indices";

    const auto colours = saverColours(gif);
    for (int i = 0; i < paletteSize; ++i)
        EXPECT_TRUE(sameColour(colours[size_t(i)], expected.palette[size_t(i)])) << "palette entry " << i;
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormatAndFit, MakeRoundTrip,
    ::testing::Values(RoundTripCase{PictureFormat::png, FitMode::cover}, RoundTripCase{PictureFormat::png, FitMode::contain},
                      RoundTripCase{PictureFormat::png, FitMode::stretch}, RoundTripCase{PictureFormat::png, FitMode::none},
                      RoundTripCase{PictureFormat::jpeg, FitMode::cover}, RoundTripCase{PictureFormat::jpeg, FitMode::contain},
                      RoundTripCase{PictureFormat::jpeg, FitMode::stretch}, RoundTripCase{PictureFormat::jpeg, FitMode::none},
                      RoundTripCase{PictureFormat::bmp, FitMode::cover}, RoundTripCase{PictureFormat::bmp, FitMode::contain},
                      RoundTripCase{PictureFormat::bmp, FitMode::stretch}, RoundTripCase{PictureFormat::bmp, FitMode::none},
                      RoundTripCase{PictureFormat::tga, FitMode::cover}, RoundTripCase{PictureFormat::tga, FitMode::contain},
                      RoundTripCase{PictureFormat::tga, FitMode::stretch}, RoundTripCase{PictureFormat::tga, FitMode::none},
                      RoundTripCase{PictureFormat::gif, FitMode::cover}, RoundTripCase{PictureFormat::gif, FitMode::contain},
                      RoundTripCase{PictureFormat::gif, FitMode::stretch}, RoundTripCase{PictureFormat::gif, FitMode::none}),
    caseName);

TEST_F(MakerTest, PicturesOfFewColoursKeepThemExactly)
{
    // 256 x 256 with six colours: cover leaves every pixel as it is, and the
    // quantiser has room for each colour.
    const uint32_t stripes[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x102030, 0xFFFFFF};
    const RgbPicture picture = rgbPicture(256, 256, [&](int x, int y) { return stripes[(x / 32 + y / 64) % 6]; });
    write("stripes.png", encodeWithStb(PictureFormat::png, picture));
    ASSERT_EQ(glimmer({"make", path("stripes.png"), "-o", path("out.scr")}).status, 0);
    ASSERT_EQ(glimmer({"decode", path("out.scr"), "-o", path("out.pgm")}).status, 0);
    const Pgm pgm = parsePgm(read("out.pgm"));
    const auto colours = saverColours(recordZeroGif(read("out.scr")));
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const PaletteEntry& shown = colours[pgm.samples[size_t(y) * 256 + size_t(x)]];
            const uint32_t wanted = stripes[(x / 32 + y / 64) % 6];
            ASSERT_EQ(uint32_t(shown.red << 16 | shown.green << 8 | shown.blue), wanted) << "pixel " << x << ", " << y;
        }
    // The unused entries repeat the darkest colour, so that the seam between
    // tiles is drawn in the picture's own darkest colour.
    for (int i = 6; i < paletteSize; ++i)
        EXPECT_TRUE(sameColour(colours[size_t(i)], PaletteEntry{0x10, 0x20, 0x30, 0})) << "entry " << i;
}

TEST_F(MakerTest, CoverCropsTheCentre)
{
    // 1024 x 512: red, blue, green in quarters of 256, 512 and 256 columns.
    // The centred square is exactly the blue half.
    const RgbPicture picture = rgbPicture(1024, 512, [](int x, int) {
        return x < 256 ? 0xFF0000u : x < 768 ? 0x0000FFu : 0x00FF00u;
    });
    const RgbPicture fitted = fitPicture(storedPicture(picture), FitMode::cover);
    ASSERT_EQ(fitted.width, 256);
    ASSERT_EQ(fitted.height, 256);
    for (size_t i = 0; i < fitted.rgb.size(); i += 3)
        ASSERT_TRUE(fitted.rgb[i] == 0 && fitted.rgb[i + 1] == 0 && fitted.rgb[i + 2] == 255) << "pixel " << i / 3;
}

TEST_F(MakerTest, ContainKeepsTheShapeWithBlackMargins)
{
    const RgbPicture picture = rgbPicture(1024, 512, [](int, int) { return 0x3366CCu; });
    const RgbPicture fitted = fitPicture(storedPicture(picture), FitMode::contain);
    ASSERT_EQ(fitted.width, 256);
    ASSERT_EQ(fitted.height, 256);
    for (int y = 0; y < 256; ++y) {
        const uint8_t* pixel = &fitted.rgb[size_t(y) * 256 * 3 + 100 * 3];
        const bool inside = y >= 64 && y < 192;
        EXPECT_EQ(pixel[0], inside ? 0x33 : 0) << "row " << y;
        EXPECT_EQ(pixel[1], inside ? 0x66 : 0) << "row " << y;
        EXPECT_EQ(pixel[2], inside ? 0xCC : 0) << "row " << y;
    }
}

TEST_F(MakerTest, StretchScalesEachAxisApart)
{
    // 512 x 128: left half red, right half blue; each target pixel covers
    // exactly 2 x 0.5 source pixels.
    const RgbPicture picture = rgbPicture(512, 128, [](int x, int) { return x < 256 ? 0xFF0000u : 0x0000FFu; });
    const RgbPicture fitted = fitPicture(storedPicture(picture), FitMode::stretch);
    ASSERT_EQ(fitted.width, 256);
    ASSERT_EQ(fitted.height, 256);
    for (int y = 0; y < 256; y += 51)
        for (int x = 0; x < 256; ++x) {
            const uint8_t* pixel = &fitted.rgb[(size_t(y) * 256 + size_t(x)) * 3];
            ASSERT_EQ(pixel[0], x < 128 ? 255 : 0) << x << ", " << y;
            ASSERT_EQ(pixel[2], x < 128 ? 0 : 255) << x << ", " << y;
        }
}

TEST_F(MakerTest, ShrinkingAveragesLightAndEnlargingKeepsFlatColours)
{
    // Black and white columns, one pixel each, shrunk by 2: the average of the
    // light, not of the encoding (linear 0.5 is sRGB 188, not 128).
    const RgbPicture stripes = rgbPicture(512, 512, [](int x, int) { return x % 2 ? 0xFFFFFFu : 0u; });
    const RgbPicture shrunk = fitPicture(storedPicture(stripes), FitMode::cover);
    EXPECT_EQ(shrunk.rgb[0], 188);
    EXPECT_EQ(shrunk.rgb[size_t(255 * 256 + 255) * 3], 188);

    const RgbPicture small = rgbPicture(40, 30, [](int, int) { return 0x808080u; });
    const RgbPicture enlarged = fitPicture(storedPicture(small), FitMode::cover);
    ASSERT_EQ(enlarged.width, 256);
    for (uint8_t value : enlarged.rgb)
        ASSERT_EQ(value, 0x80);
}

TEST_F(MakerTest, FitNoneKeepsTheSizeAndSaysWhatTheSaverShows)
{
    write("wide.png", encodeWithStb(PictureFormat::png, busyPicture(300, 200)));
    const ToolRun made = glimmer({"make", path("wide.png"), "-o", path("out.scr"), "--fit", "none"});
    ASSERT_EQ(made.status, 0) << describe(made);
    EXPECT_NE(made.out.find("the top-left 255 x 200 pixels of this 300 x 200 picture"), std::string::npos) << made.out;
    EXPECT_NE(made.out.find("palette index 0"), std::string::npos) << made.out;
    const ImagePackage package = packageOf(read("out.scr"));
    EXPECT_EQ(package.width[0], 300);
    EXPECT_EQ(package.height[0], 200);
}

TEST_F(MakerTest, DitherLevelReachesTheQuantiser)
{
    write("busy.png", encodeWithStb(PictureFormat::png, busyPicture(256, 256)));
    ASSERT_EQ(glimmer({"make", path("busy.png"), "-o", path("plain.scr"), "--dither", "0"}).status, 0);
    ASSERT_EQ(glimmer({"make", path("busy.png"), "-o", path("dithered.scr"), "--dither", "1"}).status, 0);
    ASSERT_EQ(glimmer({"decode", path("plain.scr"), "-o", path("plain.pgm")}).status, 0);
    ASSERT_EQ(glimmer({"decode", path("dithered.scr"), "-o", path("dithered.pgm")}).status, 0);
    const RgbPicture fitted = fitPicture(readPictureFile(read("busy.png"), "busy.png"), FitMode::cover);
    EXPECT_TRUE(parsePgm(read("plain.pgm")).samples == quantisePicture(fitted, 0.0).indices);
    EXPECT_TRUE(parsePgm(read("dithered.pgm")).samples == quantisePicture(fitted, 1.0).indices);
    EXPECT_FALSE(parsePgm(read("plain.pgm")).samples == parsePgm(read("dithered.pgm")).samples);
}

TEST_F(MakerTest, ExternalWritesAFileDat)
{
    write("picture.png", encodeWithStb(PictureFormat::png, busyPicture(256, 256)));
    const ToolRun made = glimmer({"make", path("picture.png"), "-o", path("file.dat"), "--external"});
    ASSERT_EQ(made.status, 0) << describe(made);
    const Bytes data = read("file.dat");
    ASSERT_GT(data.size(), 393u);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 18), "GlimmerwheelStudio");
    const ImagePackage package = packageOf(data);
    EXPECT_EQ(package.offset[0], 393);
    EXPECT_EQ(package.length[0], int32_t(data.size() - 393));
    EXPECT_EQ(package.width[0], 256);
    EXPECT_EQ(std::string(data.begin() + 393, data.begin() + 399), "GIF89a");
}

TEST_F(MakerTest, StubReplacesTheCarriedProgram)
{
    Bytes stub(61440, 0x5A);
    stub[0] = 'M';
    stub[1] = 'Z';
    write("stub.exe", stub);
    write("picture.png", encodeWithStb(PictureFormat::png, busyPicture(64, 64)));
    ASSERT_EQ(glimmer({"make", path("picture.png"), "-o", path("out.scr"), "--stub", path("stub.exe")}).status, 0);
    const Bytes saver = read("out.scr");
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), saver.begin()));
}
