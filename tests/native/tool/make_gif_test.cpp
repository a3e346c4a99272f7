// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer make with GIF input: packed unchanged when the saver shows it as it
// is, re-encoded with one line of reasons when it uses what the saver ignores.
#include "maker_test_support.h"

using namespace makertest;

namespace {

uint8_t pattern(int x, int y)
{
    return uint8_t((x * 3 + y * 5) & 255);
}

// The lines of make's output that announce a re-encoding.
std::vector<std::string> reencodeLines(const std::string& out)
{
    std::vector<std::string> found;
    for (const auto& line : linesOf(out))
        if (line.rfind("re-encoding the GIF: ", 0) == 0)
            found.push_back(line);
    return found;
}

class MakeGif : public MakerTest {
protected:
    // Makes a saver of `gif`, expects one line of reasons holding `reason`,
    // and a packed GIF that the saver reads as it is.
    void expectReencoded(const Bytes& gif, const std::string& reason, std::vector<std::string> options = {})
    {
        write("in.gif", gif);
        std::vector<std::string> words = {"make", path("in.gif"), "-o", path("out.scr")};
        words.insert(words.end(), options.begin(), options.end());
        const ToolRun made = glimmer(words);
        ASSERT_EQ(made.status, 0) << describe(made);
        const auto lines = reencodeLines(made.out);
        ASSERT_EQ(lines.size(), 1u) << made.out;
        EXPECT_NE(lines[0].find(reason), std::string::npos) << lines[0];
        const Bytes packed = recordZeroGif(read("out.scr"));
        EXPECT_NE(packed, gif);
        EXPECT_EQ(packed[10], 0xF7);
        EXPECT_EQ(packed[13 + 768], 0x2C);
        EXPECT_TRUE(gifReencodeReasons(packed, readGifLayout(packed), false).empty());
    }
};

}  // namespace

TEST_F(MakeGif, AGifTheSaverShowsIsPackedByteIdentical)
{
    const Bytes gif = giflibGif(GifShape{}, pattern);
    write("in.gif", gif);
    const ToolRun made = glimmer({"make", path("in.gif"), "-o", path("out.scr")});
    ASSERT_EQ(made.status, 0) << describe(made);
    EXPECT_NE(made.out.find("packing the GIF unchanged"), std::string::npos) << made.out;
    EXPECT_TRUE(reencodeLines(made.out).empty());
    const Bytes saver = read("out.scr");
    ASSERT_EQ(saver.size(), 61833 + gif.size());
    EXPECT_TRUE(std::equal(gif.begin(), gif.end(), saver.begin() + 61833));
    EXPECT_EQ(packageOf(saver).length[0], int32_t(gif.size()));
}

TEST_F(MakeGif, MakesOwnGifComesBackUnchanged)
{
    const RgbPicture picture = rgbPicture(333, 222, [](int x, int y) { return uint32_t(x * 50000 + y * 77); });
    write("picture.png", encodeWithStb(PictureFormat::png, picture));
    ASSERT_EQ(glimmer({"make", path("picture.png"), "-o", path("first.scr")}).status, 0);
    write("packed.gif", recordZeroGif(read("first.scr")));
    const ToolRun again = glimmer({"make", path("packed.gif"), "-o", path("second.scr")});
    ASSERT_EQ(again.status, 0) << describe(again);
    EXPECT_NE(again.out.find("unchanged"), std::string::npos);
    EXPECT_EQ(read("first.scr"), read("second.scr"));
}

TEST_F(MakeGif, ReencodeOptionReencodesEvenAShowableGif)
{
    const Bytes gif = giflibGif(GifShape{}, pattern);
    write("in.gif", gif);
    const ToolRun made = glimmer({"make", path("in.gif"), "-o", path("out.scr"), "--reencode"});
    ASSERT_EQ(made.status, 0) << describe(made);
    EXPECT_EQ(made.out.find("unchanged"), std::string::npos) << made.out;
    const Bytes packed = recordZeroGif(read("out.scr"));
    EXPECT_NE(packed, gif);
    // The pattern has 256 colours, all distinct: the quantiser keeps them.
    ASSERT_EQ(glimmer({"decode", path("out.scr"), "-o", path("out.pgm")}).status, 0);
    const Pgm pgm = parsePgm(read("out.pgm"));
    const auto colours = saverColours(packed);
    const auto original = saverColours(gif);
    for (int y = 0; y < 256; y += 17)
        for (int x = 0; x < 256; x += 13)
            EXPECT_TRUE(sameColour(colours[pgm.samples[size_t(y) * 256 + size_t(x)]], original[pattern(x, y)]))
                << x << ", " << y;
}

TEST_F(MakeGif, SeveralFramesAreReencoded)
{
    GifShape shape;
    shape.frames = 3;
    expectReencoded(giflibGif(shape, pattern), "it has 3 frames and the saver shows only the first");
}

TEST_F(MakeGif, TransparencyIsReencoded)
{
    GifShape shape;
    shape.transparency = true;
    expectReencoded(giflibGif(shape, pattern), "it uses transparency");
}

TEST_F(MakeGif, ASmallerGlobalTableIsReencoded)
{
    GifShape shape;
    shape.globalColours = 16;
    expectReencoded(giflibGif(shape, [](int x, int y) { return uint8_t((x / 16 + y / 16) % 16); }),
                    "its global colour table has 16 entries, not 256");
}

TEST_F(MakeGif, ALocalColourTableIsReencoded)
{
    GifShape shape;
    shape.globalColours = 0;
    shape.localTable = true;
    expectReencoded(giflibGif(shape, pattern), "its picture has a local colour table");
}

TEST_F(MakeGif, ASeparatorByteInAnExtensionIsReencoded)
{
    GifShape shape;
    shape.commentBeforeImage = "made, with care";
    expectReencoded(giflibGif(shape, pattern), "a byte 0x2C in an extension before the picture");
}

TEST_F(MakeGif, AnInterlaceFlagWithOtherFlagsIsReencoded)
{
    Bytes gif = giflibGif(GifShape{}, pattern);
    ASSERT_EQ(gif[13 + 768], 0x2C);
    gif[13 + 768 + 9] = 0x60;  // interlaced and sorted: the saver would not de-interlace it
    expectReencoded(gif, "its interlace flag comes with other flags");
}

TEST_F(MakeGif, AnotherSizeIsFittedUnlessFitNone)
{
    GifShape shape;
    shape.width = 128;
    shape.height = 96;
    const Bytes gif = giflibGif(shape, pattern);
    expectReencoded(gif, "it is 128 x 96, not 256 x 256");

    const ToolRun kept = glimmer({"make", path("in.gif"), "-o", path("kept.scr"), "--fit", "none"});
    ASSERT_EQ(kept.status, 0) << describe(kept);
    EXPECT_NE(kept.out.find("unchanged"), std::string::npos) << kept.out;
    EXPECT_EQ(recordZeroGif(read("kept.scr")), gif);
    EXPECT_EQ(packageOf(read("kept.scr")).width[0], 128);
}

TEST_F(MakeGif, SeveralReasonsShareOneLine)
{
    GifShape shape;
    shape.frames = 2;
    shape.transparency = true;
    shape.globalColours = 64;
    expectReencoded(giflibGif(shape, [](int x, int) { return uint8_t(x % 64); }),
                    "it has 2 frames and the saver shows only the first; its global colour table has 64 entries, "
                    "not 256; it uses transparency");
}

TEST_F(MakeGif, ADamagedGifIsRefused)
{
    Bytes gif = giflibGif(GifShape{}, pattern);
    gif.resize(13 + 768 + 5);  // ends inside the image descriptor
    write("broken.gif", gif);
    const ToolRun made = glimmer({"make", path("broken.gif"), "-o", path("out.scr")});
    EXPECT_EQ(made.status, 2) << describe(made);
    EXPECT_EQ(made.out, "");
    EXPECT_NE(made.err.find("cannot read the GIF picture '" + path("broken.gif") + "': it ends inside its picture"),
              std::string::npos)
        << made.err;
    EXPECT_FALSE(exists("out.scr"));
}
