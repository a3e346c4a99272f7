// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer preview draws the saver's frames: the first frame is the renderer's
// worked example whatever the seed, the same seed gives the same bytes, and
// other seeds part ways once the motion's random draws differ.
#include "maker_test_support.h"

#include "saver_startup.h"

using namespace makertest;

namespace {

// A 256 x 256 picture whose index at (column c, row r) is value(c, r), with a
// palette in which every entry differs and entry 255 is the darkest.
Bytes indexedGif(const std::function<uint8_t(int, int)>& value)
{
    IndexedPicture picture;
    picture.width = 256;
    picture.height = 256;
    picture.indices.resize(65536);
    for (int r = 0; r < 256; ++r)
        for (int c = 0; c < 256; ++c)
            picture.indices[size_t(r) * 256 + size_t(c)] = value(c, r);
    for (int i = 0; i < 256; ++i)
        picture.palette[size_t(i)] = PaletteEntry{uint8_t(255 - i), 128, uint8_t(i / 2), 0};
    picture.coloursUsed = 256;
    return encodeGif(picture);
}

// The first frame in closed form, from the start values angle 0, zoom 200,
// panU 0x8000, panV 0: du 200, dv 0, ru 0, rv 199, originU 7168, originV
// -25472. The texture's row and column 255 hold the darkest index, 255.
uint8_t firstFrameTexel(int x, int y, const std::function<uint8_t(int, int)>& value, int* row = nullptr,
                        int* column = nullptr)
{
    const int textureColumn = ((7168 + (x + 1) * 200) >> 8) & 255;
    const int textureRow = ((-25472 + y * 199) >> 8) & 255;
    if (row)
        *row = textureRow;
    if (column)
        *column = textureColumn;
    return textureRow == 255 || textureColumn == 255 ? 255 : value(textureColumn, textureRow);
}

uint8_t columnValue(int c, int)
{
    return uint8_t(c);
}
uint8_t rowValue(int, int r)
{
    return uint8_t(r);
}

class PreviewFrames : public MakerTest {
protected:
    Pgm frame(const std::string& input, uint32_t seed, int frames)
    {
        const std::string output = "frame-" + std::to_string(seed) + "-" + std::to_string(frames) + ".pgm";
        const ToolRun run = glimmer({"preview", path(input), "--seed", std::to_string(seed), "--frames",
                                     std::to_string(frames), "-o", path(output)});
        EXPECT_EQ(run.status, 0) << describe(run);
        return parsePgm(read(output));
    }
};

}  // namespace

TEST_F(PreviewFrames, FirstFrameIsTheWorkedExampleWhateverTheSeed)
{
    write("columns.gif", indexedGif(columnValue));
    write("rows.gif", indexedGif(rowValue));
    ASSERT_EQ(glimmer({"make", path("columns.gif"), "-o", path("columns.scr")}).status, 0);
    ASSERT_EQ(glimmer({"make", path("rows.gif"), "-o", path("rows.scr")}).status, 0);

    for (uint32_t seed : {0u, 1u, 12345u, 4294967295u}) {
        const Pgm columns = frame("columns.scr", seed, 1);
        const Pgm rows = frame("rows.scr", seed, 1);
        ASSERT_EQ(columns.width, 640);
        ASSERT_EQ(columns.height, 480);
        // The three pixels the worked example names.
        EXPECT_EQ(columns.samples[0], 28) << "seed " << seed;
        EXPECT_EQ(rows.samples[0], 156) << "seed " << seed;
        EXPECT_EQ(columns.samples[128 * 640 + 127], 128) << "seed " << seed;
        EXPECT_EQ(rows.samples[128 * 640 + 127], 0) << "seed " << seed;
        EXPECT_EQ(columns.samples[479 * 640 + 639], 16) << "seed " << seed;
        EXPECT_EQ(rows.samples[479 * 640 + 639], 16) << "seed " << seed;
        // And every other pixel.
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                ASSERT_EQ(columns.samples[size_t(y) * 640 + size_t(x)], firstFrameTexel(x, y, columnValue))
                    << "seed " << seed << ", pixel " << x << ", " << y;
                ASSERT_EQ(rows.samples[size_t(y) * 640 + size_t(x)], firstFrameTexel(x, y, rowValue))
                    << "seed " << seed << ", pixel " << x << ", " << y;
            }
    }
}

TEST_F(PreviewFrames, TheSeamLinesShowTheDarkestIndex)
{
    // Column 255 of the texture reaches the screen in the first frame where
    // ((7168 + (x + 1) * 200) >> 8) & 255 is 255.
    write("columns.gif", indexedGif(columnValue));
    const Pgm first = frame("columns.gif", 7, 1);
    int seamPixels = 0;
    for (int x = 0; x < 640; ++x) {
        int row = 0, column = 0;
        firstFrameTexel(x, 10, columnValue, &row, &column);
        if (column == 255) {
            EXPECT_EQ(first.samples[size_t(10) * 640 + size_t(x)], 255);
            ++seamPixels;
        }
    }
    EXPECT_GT(seamPixels, 0);
}

TEST_F(PreviewFrames, SaverFileDatAndGifGiveTheSameFrames)
{
    const Bytes gif = indexedGif([](int c, int r) { return uint8_t((c * 7) ^ (r * 3)); });
    write("picture.gif", gif);
    ASSERT_EQ(glimmer({"make", path("picture.gif"), "-o", path("picture.scr")}).status, 0);
    ASSERT_EQ(glimmer({"make", path("picture.gif"), "-o", path("file.dat"), "--external"}).status, 0);
    const Pgm fromGif = frame("picture.gif", 99, 250);
    EXPECT_TRUE(frame("picture.scr", 99, 250).samples == fromGif.samples);
    EXPECT_TRUE(frame("file.dat", 99, 250).samples == fromGif.samples);
}

TEST_F(PreviewFrames, SameSeedSameBytes)
{
    write("picture.gif", indexedGif([](int c, int r) { return uint8_t(c ^ r); }));
    for (const char* ending : {".gif", ".png", ".pgm"}) {
        const std::string first = std::string("first") + ending;
        const std::string second = std::string("second") + ending;
        ASSERT_EQ(glimmer({"preview", path("picture.gif"), "--seed", "31337", "--frames", "40", "-o", path(first)}).status, 0);
        ASSERT_EQ(glimmer({"preview", path("picture.gif"), "--seed", "31337", "--frames", "40", "-o", path(second)}).status, 0);
        EXPECT_EQ(read(first), read(second)) << ending;
    }
}

TEST_F(PreviewFrames, OtherSeedsDifferAfterTheFirstRandomChange)
{
    const Bytes gif = indexedGif([](int c, int r) { return uint8_t((c * 5) ^ (r * 9)); });
    write("picture.gif", gif);
    const SaverPicture picture = loadSaverPicture(gif, "picture.gif");
    for (const auto& [seedA, seedB] : {std::pair{1u, 2u}, std::pair{1000u, 1700000000u}}) {
        const auto a = startSaverEffect(picture, seedA);
        const auto b = startSaverEffect(picture, seedB);
        // Frame k is drawn from the motion after k - 1 updates: frames agree
        // until the drawn values (angle, zoom, panU, panV) first differ.
        int firstDifferentFrame = 0;
        for (int k = 1; k <= 3000 && !firstDifferentFrame; ++k) {
            const bool drawnAlike = a->motionState.angle == b->motionState.angle &&
                                    a->motionState.zoom == b->motionState.zoom &&
                                    a->motionState.panU == b->motionState.panU &&
                                    a->motionState.panV == b->motionState.panV;
            stepSaverEffect(*a, picture);
            stepSaverEffect(*b, picture);
            const bool framesAlike = std::equal(a->frameBuffer, a->frameBuffer + frameBytes, b->frameBuffer);
            if (drawnAlike)
                ASSERT_TRUE(framesAlike) << "frame " << k;
            else
                firstDifferentFrame = k;
        }
        ASSERT_GT(firstDifferentFrame, 1) << "seeds " << seedA << " and " << seedB;
        EXPECT_FALSE(std::equal(a->frameBuffer, a->frameBuffer + frameBytes, b->frameBuffer));
        // The command shows the same: equal first frames, different frames there.
        EXPECT_TRUE(frame("picture.gif", seedA, 1).samples == frame("picture.gif", seedB, 1).samples);
        EXPECT_FALSE(frame("picture.gif", seedA, firstDifferentFrame).samples ==
                     frame("picture.gif", seedB, firstDifferentFrame).samples)
            << "frame " << firstDifferentFrame;
    }
}

TEST_F(PreviewFrames, FrameNFollowsNMinusOneUpdates)
{
    const Bytes gif = indexedGif([](int c, int r) { return uint8_t(c + r); });
    write("picture.gif", gif);
    const SaverPicture picture = loadSaverPicture(gif, "picture.gif");
    const auto run = startSaverEffect(picture, 4242);
    for (int k = 1; k < 77; ++k)
        stepSaverEffect(*run, picture);
    // After 76 steps the motion has had 76 updates; frame 77 is drawn from it.
    Bytes expected(frameBytes);
    drawRotozoomPlain(run->trigTables, run->motionState, run->texture, expected.data());
    EXPECT_TRUE(frame("picture.gif", 4242, 77).samples == expected);
}
