// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "effect/rotozoom.h"

namespace {

const uint8_t fill = 0xEE;
const uint8_t untouched = 0x5A;
const int guard = 4096;

// Picture pixels are 100..179: never the fill (0xEE) nor the untouched mark (0x5A).
uint8_t pixelValue(int r, int c) { return uint8_t(100 + (r * 7 + c * 13) % 80); }

std::vector<uint8_t> picture(int width, int height, long pitch)
{
    std::vector<uint8_t> pixels(size_t(pitch) * size_t(height), 0xFF);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            pixels[size_t(r * pitch + c)] = pixelValue(r, c);
    return pixels;
}

// The texture with guard bytes on both sides, so that any write outside it shows.
struct GuardedTexture {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(guard + textureBytes + guard, untouched);
    uint8_t* texture() { return bytes.data() + guard; }
    uint8_t texel(int r, int c) const { return bytes[size_t(guard + r * textureSize + c)]; }
    bool guardsIntact() const
    {
        for (int i = 0; i < guard; ++i)
            if (bytes[size_t(i)] != untouched || bytes[size_t(guard + textureBytes + i)] != untouched)
                return false;
        return true;
    }
};

}  // namespace

TEST(TextureCapture, FullSizePictureBordersHoldFill)
{
    const auto pixels = picture(256, 256, 256);
    GuardedTexture target;
    captureTexture(pixels.data(), 256, 256, 256, fill, target.texture());
    for (int r = 0; r < 255; ++r)
        for (int c = 0; c < 255; ++c)
            ASSERT_EQ(target.texel(r, c), pixelValue(r, c)) << r << "," << c;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(target.texel(255, i), fill) << "row 255, column " << i;
        EXPECT_EQ(target.texel(i, 255), fill) << "column 255, row " << i;
    }
    EXPECT_TRUE(target.guardsIntact());
}

TEST(TextureCapture, PitchWiderThanPicture)
{
    const long pitch = 320;
    const auto pixels = picture(256, 256, pitch);
    GuardedTexture target;
    captureTexture(pixels.data(), pitch, 256, 256, fill, target.texture());
    EXPECT_EQ(target.texel(0, 0), pixelValue(0, 0));
    EXPECT_EQ(target.texel(1, 0), pixelValue(1, 0));
    EXPECT_EQ(target.texel(200, 254), pixelValue(200, 254));
    EXPECT_EQ(target.texel(254, 254), pixelValue(254, 254));
    EXPECT_EQ(target.texel(254, 255), fill);
}

TEST(TextureCapture, SmallPictureLeavesTheRestAlone)
{
    const int width = 100;
    const int height = 50;
    const auto pixels = picture(width, height, width);
    GuardedTexture target;
    captureTexture(pixels.data(), width, width, height, fill, target.texture());
    for (int r = 0; r < textureSize; ++r) {
        for (int c = 0; c < textureSize; ++c) {
            const uint8_t expected = (r < height && c < width) ? pixelValue(r, c) : untouched;
            ASSERT_EQ(target.texel(r, c), expected) << r << "," << c;
        }
    }
    EXPECT_TRUE(target.guardsIntact());
}

TEST(TextureCapture, PictureOf255ReachesNoBorder)
{
    const auto pixels = picture(255, 255, 255);
    GuardedTexture target;
    captureTexture(pixels.data(), 255, 255, 255, fill, target.texture());
    EXPECT_EQ(target.texel(254, 254), pixelValue(254, 254));
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(target.texel(255, i), untouched);
        EXPECT_EQ(target.texel(i, 255), untouched);
    }
}

TEST(TextureCapture, LargePictureTopLeftOnly)
{
    const int width = 300;
    const int height = 400;
    const auto pixels = picture(width, height, width);
    GuardedTexture target;
    captureTexture(pixels.data(), width, width, height, fill, target.texture());
    for (int r = 0; r < textureSize; ++r) {
        for (int c = 0; c < textureSize; ++c) {
            const uint8_t expected = (r < 255 && c < 255) ? pixelValue(r, c) : fill;
            ASSERT_EQ(target.texel(r, c), expected) << r << "," << c;
        }
    }
    EXPECT_TRUE(target.guardsIntact());
}

// A picture one row high but wider than the texture: columns 255 and on are
// cut at the texture's edge, column 255 itself gets the fill.
TEST(TextureCapture, WideSingleRow)
{
    const auto pixels = picture(1000, 1, 1000);
    GuardedTexture target;
    captureTexture(pixels.data(), 1000, 1000, 1, fill, target.texture());
    EXPECT_EQ(target.texel(0, 254), pixelValue(0, 254));
    EXPECT_EQ(target.texel(0, 255), fill);
    EXPECT_EQ(target.texel(1, 0), untouched);
    EXPECT_TRUE(target.guardsIntact());
}

TEST(TextureCapture, EmptyOrNegativeSizesCopyNothing)
{
    const auto pixels = picture(16, 16, 16);
    GuardedTexture target;
    captureTexture(pixels.data(), 16, 0, 16, fill, target.texture());
    captureTexture(pixels.data(), 16, 16, 0, fill, target.texture());
    captureTexture(pixels.data(), 16, -5, -7, fill, target.texture());
    for (int i = 0; i < textureBytes; ++i)
        ASSERT_EQ(target.texture()[i], untouched) << i;
}
