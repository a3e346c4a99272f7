// SPDX-License-Identifier: GPL-3.0-or-later
// What glimmer preview writes (.gif, .png, .pgm), the pictures the saver
// shows differently from other viewers, and its refusals.
#include "preview_test_support.h"

#include <stb/stb_image.h>

using namespace makertest;

namespace {

class PreviewOutput : public PreviewTest {
protected:
    void SetUp() override
    {
        MakerTest::SetUp();
        usePicture(giflibGif(GifShape{}, [](int x, int y) { return uint8_t((x * 3) ^ (y * 7)); }));
    }
};

}  // namespace

TEST_F(PreviewOutput, GifHoldsEveryFrameWithThePicturesPalette)
{
    const ToolRun run =
        glimmer({"preview", path("picture.gif"), "--seed", "8", "--frames", "25", "-o", path("anim.gif")});
    ASSERT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(run.out, "drew 25 frames of " + path("picture.gif") + " with seed 8; wrote " + path("anim.gif") +
                           " (all frames)\n");
    EXPECT_FALSE(exists("anim.gif.part"));
    const SlurpedGif animation = slurpGif(read("anim.gif"));
    ASSERT_TRUE(animation.read);
    EXPECT_EQ(animation.screenWidth, 640);
    EXPECT_EQ(animation.screenHeight, 480);
    EXPECT_TRUE(animation.loops);
    ASSERT_EQ(animation.globalColours.size(), 256u);
    const auto colours = saverColours(gif);
    for (int i = 0; i < 256; ++i)
        EXPECT_TRUE(sameColour(animation.globalColours[size_t(i)], colours[size_t(i)])) << "entry " << i;
    const auto frames = saverFrames(8, 25);
    ASSERT_EQ(animation.images.size(), 25u);
    for (size_t k = 0; k < frames.size(); ++k) {
        EXPECT_TRUE(animation.images[k] == frames[k]) << "frame " << k + 1;
        EXPECT_EQ(animation.delays[k], 2);
    }
}

TEST_F(PreviewOutput, PngIsTheLastFrameInColour)
{
    ASSERT_EQ(glimmer({"preview", path("picture.gif"), "--seed", "3", "--frames", "60", "-o", path("last.png")}).status, 0);
    const Bytes png = read("last.png");
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(png.data(), int(png.size()), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 480);
    const Bytes frame = saverFrames(3, 60).back();
    const auto colours = saverColours(gif);
    for (size_t i = 0; i < frame.size(); ++i) {
        const PaletteEntry shown{pixels[i * 3], pixels[i * 3 + 1], pixels[i * 3 + 2], 0};
        if (!sameColour(shown, colours[frame[i]])) {
            ADD_FAILURE() << "pixel " << i << " is not the colour of index " << int(frame[i]);
            break;
        }
    }
    stbi_image_free(pixels);
}

TEST_F(PreviewOutput, PgmIsTheLastFrameAsIndices)
{
    ASSERT_EQ(glimmer({"preview", path("picture.gif"), "--seed", "3", "--frames", "60", "-o", path("last.PGM")}).status, 0);
    const Bytes bytes = read("last.PGM");
    ASSERT_EQ(bytes.size(), 15u + 640u * 480u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 15), "P5\n640 480\n255\n");
    EXPECT_TRUE(Bytes(bytes.begin() + 15, bytes.end()) == saverFrames(3, 60).back());
}

TEST_F(PreviewOutput, DefaultIsThreeHundredFrames)
{
    const ToolRun run = glimmer({"preview", path("picture.gif"), "--seed", "3", "-o", path("last.pgm")});
    ASSERT_EQ(run.status, 0) << describe(run);
    EXPECT_NE(run.out.find("drew 300 frames"), std::string::npos);
    EXPECT_TRUE(parsePgm(read("last.pgm")).samples == saverFrames(3, 300).back());
}

TEST_F(PreviewOutput, KindOtherThanGifShowsBlack)
{
    ASSERT_EQ(glimmer({"make", path("picture.gif"), "-o", path("saver.scr")}).status, 0);
    Bytes saver = read("saver.scr");
    saver[61440 + 22 + 20] = 'p';  // record 0's kind
    write("other.scr", saver);
    const ToolRun run = glimmer({"preview", path("other.scr"), "--seed", "1", "--frames", "1", "-o", path("f.pgm")});
    ASSERT_EQ(run.status, 0) << describe(run);
    EXPECT_NE(run.err.find("warning: record 0's kind is not 'g'"), std::string::npos) << run.err;
    // Nothing decoded and an all-black palette: the texture holds index 0,
    // and index 255 (the last of 256 equally dark entries) on its seams.
    for (uint8_t sample : parsePgm(read("f.pgm")).samples)
        ASSERT_TRUE(sample == 0 || sample == 255);
    ASSERT_EQ(glimmer({"preview", path("other.scr"), "--seed", "1", "--frames", "1", "-o", path("f.png")}).status, 0);
    const Bytes png = read("f.png");
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(png.data(), int(png.size()), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_TRUE(std::all_of(pixels, pixels + width * height * 3, [](stbi_uc value) { return value == 0; }));
    stbi_image_free(pixels);
}

TEST_F(PreviewOutput, AShortenedPictureShowsWhatWasDecoded)
{
    ASSERT_EQ(glimmer({"make", path("picture.gif"), "-o", path("saver.scr")}).status, 0);
    Bytes saver = read("saver.scr");
    // Record 0's length cut to 2000 bytes: the decoder stops there.
    const int32_t length = 2000;
    std::memcpy(&saver[61440 + 22 + 16], &length, 4);
    write("short.scr", saver);
    const ToolRun run = glimmer({"preview", path("short.scr"), "--seed", "1", "--frames", "1", "-o", path("f.pgm")});
    ASSERT_EQ(run.status, 0) << describe(run);
    EXPECT_NE(run.err.find("warning: the GIF's picture data ends before its end code"), std::string::npos) << run.err;
}

TEST_F(PreviewOutput, Refusals)
{
    expectRefused({"preview", path("picture.gif"), "-o", path("frame.bmp")}, "-o names the file by its ending");
    expectRefused({"preview", path("picture.gif"), "--frames", "0"}, "--frames takes a whole number from 1");
    expectRefused({"preview", path("picture.gif"), "--seed", "-1"}, "--seed takes a whole number from 0 to 4294967295");
    expectRefused({"preview", path("picture.gif"), "--seed", "4294967296"}, "--seed takes a whole number");
    expectRefused({"preview", path("picture.gif"), "-o", path("picture.gif")}, "is the input itself");
    expectRefused({"preview", path("missing.scr")}, "cannot open");
    write("photo.png", encodeWithStb(PictureFormat::png, rgbPicture(8, 8, [](int, int) { return 0u; })));
    expectRefused({"preview", path("photo.png")}, "is neither a saver, a file.dat nor a GIF");
    expectRefused({"preview", path("picture.gif"), "--loop"}, "unknown option '--loop'");

    // Record 0 of a size the saver cannot make a surface of.
    ASSERT_EQ(glimmer({"make", path("picture.gif"), "-o", path("saver.scr")}).status, 0);
    Bytes saver = read("saver.scr");
    const int32_t zero = 0;
    std::memcpy(&saver[61440 + 22], &zero, 4);
    write("flat.scr", saver);
    expectRefused({"preview", path("flat.scr")}, "gives its picture as 0 x 256");
    const int32_t huge = 60000;
    std::memcpy(&saver[61440 + 22], &huge, 4);
    std::memcpy(&saver[61440 + 26], &huge, 4);
    write("huge.scr", saver);
    expectRefused({"preview", path("huge.scr")}, "gives its picture as 60000 x 60000");
}
