// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer make reads the pictures people have: one table of files for each
// family, written with the libraries' own encoders (or, for BMP, by
// ImageMagick and by hand), each read as make reads it and checked at the
// centre of each quarter. Transparent pixels are laid over black.
#include <cmath>

#include "maker_test_support.h"
#include "picture_encoders.h"

using namespace makertest;

namespace {

using Rgba = std::array<uint8_t, 4>;
using Colour = std::array<int, 3>;
using Quarters = std::array<Colour, 4>;  // top left, top right, bottom left, bottom right

// 48 x 32 in quarters; the right ones half and fully transparent.
const Rgba quarterColours[4] = {{220, 30, 30, 255}, {30, 200, 60, 128}, {40, 50, 210, 255}, {240, 240, 240, 0}};

Rgba quarters(int x, int y)
{
    return quarterColours[(y >= 16 ? 2 : 0) + (x >= 24 ? 1 : 0)];
}

// A colour laid over black in light, by the sRGB curve.
Colour overBlack(int red, int green, int blue, int opacity)
{
    Colour colour{};
    const int channels[3] = {red, green, blue};
    for (int i = 0; i < 3; ++i) {
        const double light = srgbToLinear(channels[i] / 255.0) * opacity / 255.0;
        const double encoded = light <= 0.0031308 ? light * 12.92 : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
        colour[size_t(i)] = int(std::lround(encoded * 255));
    }
    return colour;
}

Quarters opaqueQuarters()
{
    Quarters expected{};
    for (int i = 0; i < 4; ++i)
        expected[size_t(i)] = {quarterColours[i][0], quarterColours[i][1], quarterColours[i][2]};
    return expected;
}

Quarters transparentQuarters()
{
    Quarters expected = opaqueQuarters();
    expected[1] = overBlack(30, 200, 60, 128);
    expected[3] = {0, 0, 0};
    return expected;
}

// The red channel as grey, at `depth` bits.
Quarters greyQuarters(int depth = 8)
{
    Quarters expected{};
    const int top = (1 << depth) - 1;
    for (int i = 0; i < 4; ++i) {
        const int grey = (quarterColours[i][0] * top + 127) / 255 * 255 / top;
        expected[size_t(i)] = {grey, grey, grey};
    }
    return expected;
}

Bytes png(int colourType, int depth, bool interlaced = false)
{
    encoders::PngShape shape;
    shape.colourType = colourType;
    shape.depth = depth;
    shape.interlaced = interlaced;
    shape.transparentIndexZero = colourType == PNG_COLOR_TYPE_PALETTE && depth == 8;
    return encoders::pngFile(shape, quarters);
}

Bytes jpeg(encoders::JpegKind kind)
{
    encoders::JpegShape shape;
    shape.kind = kind;
    return encoders::jpegFile(shape, quarters);
}

Bytes webp(encoders::WebpKind kind)
{
    encoders::WebpShape shape;
    shape.kind = kind;
    return encoders::webpFile(shape, quarters);
}

// GIF quarters: indices 10, 20, 30, 40 of giflibGif's palette (i, 255 - i, i * 37).
Quarters gifQuarters(int transparentIndex = -1)
{
    Quarters expected{};
    for (int i = 0; i < 4; ++i) {
        const int index = (i + 1) * 10;
        expected[size_t(i)] = index == transparentIndex ? Colour{0, 0, 0} : Colour{index, 255 - index, index * 37 & 255};
    }
    return expected;
}

Bytes gif(GifShape shape)
{
    shape.width = 48;
    shape.height = 32;
    return giflibGif(shape, [](int x, int y) { return uint8_t(((y >= 16 ? 2 : 0) + (x >= 24 ? 1 : 0) + 1) * 10); });
}

Bytes stbFile(int channels, bool tga, bool runLengths = true)
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) {
            const Rgba pixel = quarters(x, y);
            pixels.insert(pixels.end(), pixel.begin(), pixel.begin() + (channels == 1 ? 1 : channels));
        }
    Bytes bytes;
    stbi_write_tga_with_rle = runLengths;
    const int written = tga ? stbi_write_tga_to_func(appendToBytes, &bytes, 48, 32, channels, pixels.data())
                            : stbi_write_bmp_to_func(appendToBytes, &bytes, 48, 32, channels, pixels.data());
    stbi_write_tga_with_rle = 1;
    EXPECT_NE(written, 0);
    return bytes;
}

// stb_image_write's bottom-up BMP turned top-down: negative height, rows reversed.
Bytes topDownBmp()
{
    Bytes bmp = stbFile(3, false);
    const size_t start = bmp[10] | bmp[11] << 8, stride = 48 * 3;
    Bytes flipped(bmp.begin(), bmp.begin() + long(start));
    for (int row = 31; row >= 0; --row)
        flipped.insert(flipped.end(), bmp.begin() + long(start + size_t(row) * stride),
                       bmp.begin() + long(start + size_t(row + 1) * stride));
    const int32_t height = -32;
    std::memcpy(&flipped[22], &height, 4);
    return flipped;
}

// An RLE4 bitmap byte by byte: each row a literal stretch of four pixels, a
// run of 20 and a run of 24, then the end of the line; bottom row first.
Bytes rle4Bmp()
{
    Bytes data;
    for (int row = 0; row < 32; ++row) {
        const uint8_t left = row < 16 ? 0x22 : 0x00, right = row < 16 ? 0x33 : 0x11;
        data.insert(data.end(), {0, 4, left, left, 20, left, 24, right, 0, 0});
    }
    data.insert(data.end(), {0, 1});
    Bytes bmp(14 + 40 + 16 * 4, 0);
    const auto put32 = [&](size_t at, uint32_t value) { std::memcpy(&bmp[at], &value, 4); };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(10, uint32_t(bmp.size()));
    put32(14, 40);
    put32(18, 48);
    put32(22, 32);
    bmp[26] = 1;
    bmp[28] = 4;
    put32(30, 2);
    put32(46, 4);
    for (int i = 0; i < 4; ++i) {
        const Rgba colour = quarterColours[i];
        bmp[54 + i * 4] = colour[2];
        bmp[55 + i * 4] = colour[1];
        bmp[56 + i * 4] = colour[0];
    }
    bmp.insert(bmp.end(), data.begin(), data.end());
    put32(2, uint32_t(bmp.size()));
    return bmp;
}

Bytes sample(const std::string& name)
{
    return readWholeFile(std::string(GLIMMER_TEST_DATA) + "/pictures/" + name);
}

struct InputCase {
    std::string name;
    std::function<Bytes()> file;
    Quarters expected;
    int tolerance = 0;
};

std::string caseName(const ::testing::TestParamInfo<InputCase>& info)
{
    return info.param.name;
}

class MakeInput : public MakerTest, public ::testing::WithParamInterface<InputCase> {};

}  // namespace

TEST_P(MakeInput, ReadsEveryQuarter)
{
    const InputCase& input = GetParam();
    const Bytes file = input.file();
    const RgbPicture picture = fitPicture(readPictureFile(file, input.name), FitMode::none);
    ASSERT_GT(picture.width, 3);
    for (int i = 0; i < 4; ++i) {
        const int x = picture.width * (i % 2 ? 3 : 1) / 4, y = picture.height * (i / 2 ? 3 : 1) / 4;
        const uint8_t* pixel = &picture.rgb[(size_t(y) * size_t(picture.width) + size_t(x)) * 3];
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(pixel[channel], input.expected[size_t(i)][size_t(channel)], input.tolerance)
                << "quarter " << i << ", channel " << channel;
    }
}

INSTANTIATE_TEST_SUITE_P(Png, MakeInput, ::testing::Values(
    InputCase{"grey1", [] { return png(PNG_COLOR_TYPE_GRAY, 1); }, greyQuarters(1)},
    InputCase{"grey2", [] { return png(PNG_COLOR_TYPE_GRAY, 2); }, greyQuarters(2)},
    InputCase{"grey4", [] { return png(PNG_COLOR_TYPE_GRAY, 4); }, greyQuarters(4)},
    InputCase{"grey8", [] { return png(PNG_COLOR_TYPE_GRAY, 8); }, greyQuarters()},
    InputCase{"grey16", [] { return png(PNG_COLOR_TYPE_GRAY, 16); }, greyQuarters()},
    InputCase{"greyAlpha", [] { return png(PNG_COLOR_TYPE_GRAY_ALPHA, 8); },
              {greyQuarters()[0], overBlack(30, 30, 30, 128), greyQuarters()[2], Colour{0, 0, 0}}},
    InputCase{"rgb8", [] { return png(PNG_COLOR_TYPE_RGB, 8); }, opaqueQuarters()},
    InputCase{"rgb16", [] { return png(PNG_COLOR_TYPE_RGB, 16); }, opaqueQuarters()},
    InputCase{"rgba8", [] { return png(PNG_COLOR_TYPE_RGBA, 8); }, transparentQuarters()},
    InputCase{"rgba16", [] { return png(PNG_COLOR_TYPE_RGBA, 16); }, transparentQuarters(), 1},
    InputCase{"palette2", [] { return png(PNG_COLOR_TYPE_PALETTE, 2); }, opaqueQuarters()},
    InputCase{"paletteTrns", [] { return png(PNG_COLOR_TYPE_PALETTE, 8); }, transparentQuarters()},
    InputCase{"interlaced", [] { return png(PNG_COLOR_TYPE_RGB, 8, true); }, opaqueQuarters()},
    InputCase{"interlacedAlpha", [] { return png(PNG_COLOR_TYPE_RGBA, 8, true); }, transparentQuarters()}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Jpeg, MakeInput, ::testing::Values(
    InputCase{"baseline", [] { return jpeg(encoders::JpegKind::baseline); }, opaqueQuarters(), 4},
    InputCase{"progressive", [] { return jpeg(encoders::JpegKind::progressive); }, opaqueQuarters(), 4},
    InputCase{"grey", [] { return jpeg(encoders::JpegKind::grey); }, greyQuarters(), 2},
    InputCase{"cmyk", [] { return jpeg(encoders::JpegKind::cmyk); }, opaqueQuarters(), 6},
    InputCase{"ycck", [] { return jpeg(encoders::JpegKind::ycck); }, opaqueQuarters(), 6}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Gif, MakeInput, ::testing::Values(
    InputCase{"globalTable", [] { return gif(GifShape{}); }, gifQuarters()},
    InputCase{"localTable", [] { GifShape shape; shape.globalColours = 0; shape.localTable = true; return gif(shape); },
              gifQuarters()},
    InputCase{"firstFrameOfThree", [] { GifShape shape; shape.frames = 3; return gif(shape); }, gifQuarters()},
    // giflibGif makes index 0 transparent: here the top left quarter's.
    InputCase{"transparency", [] {
        return giflibGif({48, 32, 256, 1, false, true, ""}, [](int x, int y) {
            return uint8_t(((y >= 16 ? 2 : 0) + (x >= 24 ? 1 : 0)) * 10); }); },
              {Colour{0, 0, 0}, gifQuarters()[0], gifQuarters()[1], gifQuarters()[2]}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Bmp, MakeInput, ::testing::Values(
    InputCase{"stb24", [] { return stbFile(3, false); }, opaqueQuarters()},
    InputCase{"topDown", topDownBmp, opaqueQuarters()},
    InputCase{"rle4", rle4Bmp, opaqueQuarters()},
    // ImageMagick's files, with ImageMagick's own reading of them.
    InputCase{"im1bit", [] { return sample("bmp-1bit.bmp"); },
              {Colour{92, 97, 104}, Colour{255, 255, 255}, Colour{92, 97, 104}, Colour{92, 97, 104}}},
    InputCase{"im4bit", [] { return sample("bmp-4bit.bmp"); },
              {Colour{204, 17, 17}, Colour{255, 255, 255}, Colour{17, 187, 51}, Colour{34, 51, 204}}},
    InputCase{"imRle8", [] { return sample("bmp-rle8.bmp"); },
              {Colour{255, 0, 0}, Colour{255, 255, 255}, Colour{0, 192, 0}, Colour{0, 0, 255}}},
    InputCase{"imBitFields565", [] { return sample("bmp-16bit-565.bmp"); },
              {Colour{214, 28, 24}, Colour{255, 255, 255}, Colour{24, 199, 57}, Colour{33, 56, 206}}, 1},
    InputCase{"imBitFieldsAlpha", [] { return sample("bmp-32bit-alpha.bmp"); },
              {Colour{220, 30, 30}, overBlack(255, 255, 255, 127), Colour{30, 200, 60}, overBlack(40, 58, 210, 127)}, 1}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Tga, MakeInput, ::testing::Values(
    InputCase{"runLengths", [] { return stbFile(3, true); }, opaqueQuarters()},
    InputCase{"plain", [] { return stbFile(3, true, false); }, opaqueQuarters()},
    InputCase{"grey", [] { return stbFile(1, true); }, greyQuarters()},
    InputCase{"alpha", [] { return stbFile(4, true); }, transparentQuarters()}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Webp, MakeInput, ::testing::Values(
    InputCase{"lossy", [] { return webp(encoders::WebpKind::lossy); }, opaqueQuarters(), 10},
    InputCase{"lossless", [] { return webp(encoders::WebpKind::lossless); }, opaqueQuarters()},
    InputCase{"alpha", [] { return webp(encoders::WebpKind::alpha); }, transparentQuarters()},
    InputCase{"firstFrame", [] { return webp(encoders::WebpKind::animation); }, opaqueQuarters()}),
    caseName);

TEST_F(MakerTest, AnInterlacedGifReadsAsItsPlainTwin)
{
    const std::string folder = std::string(GLIMMER_TEST_DATA) + "/gif/wuffs/";
    const RgbPicture interlaced =
        fitPicture(readPictureFile(readWholeFile(folder + "hippopotamus.interlaced.gif"), "i"), FitMode::none);
    const RgbPicture plain =
        fitPicture(readPictureFile(readWholeFile(folder + "hippopotamus.regular.gif"), "p"), FitMode::none);
    EXPECT_EQ(interlaced.width, plain.width);
    EXPECT_TRUE(interlaced.rgb == plain.rgb);
}
