// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures the saver reads in its own way, through `glimmer decode` (and
// `preview`, the saver's start-up): a local colour table, an animation, no
// image at all, LZW minimum code sizes outside 2 to 9, and screen and image
// sizes of 0, 1 and 65535. Each case says what the tool answers.
#include <filesystem>

#include "gif_giflib_support.h"
#include "robustness_support.h"

using namespace robustness;
using giftest::GifLayout;

namespace {

Bytes readTestPicture(const std::string& name)
{
    return readWholeFile(std::string(GLIMMER_TEST_DATA) + "/gif/" + name);
}

// The valid picture's parts, to be rearranged.
GifLayout pictureLayout()
{
    GifLayout layout;
    layout.screenWidth = pictureWidth;
    layout.screenHeight = pictureHeight;
    layout.screenPacked = 0xF7;
    layout.colourTable = giftest::greyTable(256);
    layout.imageWidth = pictureWidth;
    layout.imageHeight = pictureHeight;
    layout.minimumCodeSize = 8;
    layout.data = giftest::packCodes(giftest::lzwEncode(pictureIndices(), 8), 8);
    return layout;
}

class GifCases : public ToolFiles {
protected:
    // decode with the GIF's own target (or the one given); the samples when it
    // succeeded.
    ToolRun decode(const Bytes& gif, Bytes* samples = nullptr, std::vector<std::string> extra = {})
    {
        std::filesystem::remove(path("out.pgm"));
        std::vector<std::string> words = {"decode", write("picture.gif", gif), "-o", path("out.pgm")};
        words.insert(words.end(), extra.begin(), extra.end());
        const ToolRun run = glimmer(words);
        if (run.status == 0 && samples)
            *samples = readPgm(read("out.pgm")).samples;
        EXPECT_EQ(run.status == 0, exists("out.pgm")) << describe(run);
        EXPECT_EQ(run.out.empty(), run.status != 0) << describe(run);
        return run;
    }
    // preview of a saver holding the GIF: the saver's start-up and one frame.
    ToolRun preview(const Bytes& gif)
    {
        return glimmer({"preview", write("saver.scr", saverOf(gif)), "--frames", "1", "--seed", "3"});
    }
    static bool says(const ToolRun& run, const std::string& text) { return run.err.find(text) != std::string::npos; }
};

}  // namespace

// The loader never skips a local colour table: the table's first byte is
// taken as the minimum code size, and its other bytes as LZW data.
TEST_F(GifCases, LocalColourTable)
{
    GifLayout layout = pictureLayout();
    layout.imagePacked = 0x87;  // a local table of 256 entries
    Bytes local = giftest::greyTable(256);  // first byte 0
    Bytes withTable = giftest::buildGif(layout);
    withTable.insert(withTable.begin() + long(codeSizeAt), local.begin(), local.end());

    // First table byte 0: refused as a code size of 0.
    ToolRun run = decode(withTable);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(says(run, "has the LZW minimum code size 0; the saver decodes only 2 to 9")) << describe(run);
    run = preview(withTable);
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_TRUE(says(run, "warning: the GIF's LZW code size is outside 2 to 9")) << describe(run);

    // First table byte 8 and second 20: the table's bytes are read as
    // sub-blocks of LZW data; something comes out, just not this picture.
    Bytes readAsData = withTable;
    readAsData[codeSizeAt] = 8;
    readAsData[codeSizeAt + 1] = 20;
    Bytes samples;
    run = decode(readAsData, &samples);
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_NE(run.out.find("minimum code size 8"), std::string::npos) << run.out;
    EXPECT_NE(samples, pictureIndices());

    // A real one: the first frame of this animation has a local table that
    // starts with a zero byte.
    run = decode(readTestPicture("wuffs/animated-red-blue.gif"));
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(says(run, "has the LZW minimum code size 0")) << describe(run);
}

// Only the first image is decoded; nothing after its end code is read.
TEST_F(GifCases, AnimatedGif)
{
    GifLayout layout = pictureLayout();
    const Bytes loop = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01, 0x00, 0x00, 0x00};
    const Bytes control = {0x21, 0xF9, 0x04, 0x04, 0x0A, 0x00, 0x00, 0x00};
    layout.beforeImage = loop;
    layout.beforeImage.insert(layout.beforeImage.end(), control.begin(), control.end());
    layout.trailer = false;
    Bytes animation = giftest::buildGif(layout);
    // Frame 2: other indices, then the trailer.
    Bytes second = pictureIndices();
    for (auto& index : second)
        index = uint8_t(255 - index);
    GifLayout frame = pictureLayout();
    frame.data = giftest::packCodes(giftest::lzwEncode(second, 8), 8);
    const Bytes frameBytes = giftest::buildGif(frame);
    animation.insert(animation.end(), control.begin(), control.end());
    animation.insert(animation.end(), frameBytes.begin() + 13 + 768, frameBytes.end());

    Bytes samples;
    ToolRun run = decode(animation, &samples);
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(samples, pictureIndices());

    // Whatever follows the first image's end code changes nothing.
    Bytes damagedLater = animation;
    const size_t firstEnd = giftest::buildGif(layout).size();
    for (size_t at = firstEnd; at < damagedLater.size(); ++at)
        damagedLater[at] = uint8_t(at * 37);
    Bytes laterSamples;
    run = decode(damagedLater, &laterSamples);
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(laterSamples, pictureIndices());

    // A real animation: its first frame, as giflib reads it.
    const Bytes real = readTestPicture("gif-test-suite/animated_loop.gif");
    const giftest::GiflibDecoding first = giftest::giflibDecode(real);
    ASSERT_GT(first.imageCount, 1);
    ASSERT_FALSE(first.localColourTable);
    run = decode(real, &samples,
                 {"--width", std::to_string(first.imageWidth), "--height", std::to_string(first.imageHeight)});
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(samples, first.raster);
}

// No image separator before the end: refused as having no image.
TEST_F(GifCases, GifWithoutImage)
{
    const Bytes whole = giftest::buildGif(pictureLayout());
    const Bytes bare(whole.begin(), whole.begin() + 13 + 768);
    Bytes withExtensions = bare;
    const Bytes extensions = {0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00,    // graphic control
                              0x21, 0xFE, 0x05, 'h', 'e', 'l', 'l', 'o', 0x00}; // comment
    withExtensions.insert(withExtensions.end(), extensions.begin(), extensions.end());
    const struct {
        const char* what;
        Bytes gif;
        const char* message;
    } cases[] = {
        {"header, screen, table, trailer", [&] { Bytes b = bare; b.push_back(0x3B); return b; }(), "ends before its image"},
        {"extensions but no image", [&] { Bytes b = withExtensions; b.push_back(0x3B); return b; }(), "ends before its image"},
        {"header and screen only", Bytes(bare.begin(), bare.begin() + 13), "ends before its image"},
        {"signature only", Bytes(bare.begin(), bare.begin() + 6), "ends before its image"},
        {"five bytes", Bytes(bare.begin(), bare.begin() + 5), "is not a GIF: it does not start with \"GIF\""},
        {"separator without its descriptor", [&] { Bytes b = bare; b.insert(b.end(), {0x2C, 0, 0, 0, 0, 16}); return b; }(),
         "ends before its image"},
        {"a real one", readTestPicture("wuffs/artificial-gif_no-frames.gif"), "ends before its image"},
    };
    for (const auto& c : cases) {
        const ToolRun run = decode(c.gif);
        EXPECT_EQ(run.status, 2) << c.what;
        EXPECT_TRUE(says(run, c.message)) << c.what << "\n" << describe(run);
        if (c.gif.size() >= 13) {
            const ToolRun shown = preview(c.gif);
            EXPECT_EQ(shown.status, 0) << c.what << "\n" << describe(shown);
            EXPECT_TRUE(says(shown, "warning: the GIF ends before its picture")) << c.what << "\n" << describe(shown);
        }
    }

    // A comma inside an extension is taken for the separator: the comment's
    // bytes become the descriptor, and its 11th byte after the comma ('l',
    // 108) the code size.
    Bytes comma = bare;
    const Bytes comment = {0x21, 0xFE, 0x10, ',', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'l', 'm', 'n', 'o', 'p', 'q', 0x00, 0x3B};
    comma.insert(comma.end(), comment.begin(), comment.end());
    const ToolRun run = decode(comma);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(says(run, "has the LZW minimum code size 108")) << describe(run);
}

// Code sizes outside 2 to 9 are refused; 2 and 9 are decoded.
TEST_F(GifCases, MinimumCodeSizes)
{
    for (const int size : {0, 1, 10, 11, 12, 13, 255}) {
        GifLayout layout = pictureLayout();
        layout.minimumCodeSize = size;
        const Bytes gif = giftest::buildGif(layout);
        ToolRun run = decode(gif);
        EXPECT_EQ(run.status, 2) << size;
        EXPECT_TRUE(says(run, "has the LZW minimum code size " + std::to_string(size) +
                                  "; the saver decodes only 2 to 9"))
            << size << "\n" << describe(run);
        run = preview(gif);
        EXPECT_EQ(run.status, 0) << size << "\n" << describe(run);
        EXPECT_TRUE(says(run, "warning: the GIF's LZW code size is outside 2 to 9")) << size;
    }
    for (const int size : {2, 9}) {
        Bytes indices = pictureIndices();
        for (auto& index : indices)
            index = uint8_t(index % (1 << std::min(size, 8)));
        const Bytes gif = giftest::gifOf(indices, pictureWidth, pictureHeight, size);
        Bytes samples;
        const ToolRun run = decode(gif, &samples);
        EXPECT_EQ(run.status, 0) << size << "\n" << describe(run);
        EXPECT_EQ(samples, indices) << size;
    }
}

// The logical screen's size is decode's default target; the image
// descriptor's size lays out the rows.
TEST_F(GifCases, ScreenAndImageSizes)
{
    const Bytes indices = pictureIndices();
    const struct {
        int width;
        int height;
        const char* refusal;
    } screens[] = {
        {0, 0, "has a logical screen of 0 x 0: give the target's size with --width and --height"},
        {0, 12, "has a logical screen of 0 x 12"},
        {16, 0, "has a logical screen of 16 x 0"},
        {65535, 65535, "a target of 65535 x 65535 pixels is too large"},
        {1, 1, ""},
        {65535, 1, ""},
        {1, 65535, ""},
    };
    for (const auto& s : screens) {
        GifLayout layout = pictureLayout();
        layout.screenWidth = s.width;
        layout.screenHeight = s.height;
        Bytes samples;
        const ToolRun run = decode(giftest::buildGif(layout), &samples);
        const std::string what = "screen " + std::to_string(s.width) + " x " + std::to_string(s.height);
        if (*s.refusal) {
            EXPECT_EQ(run.status, 2) << what;
            EXPECT_TRUE(says(run, s.refusal)) << what << "\n" << describe(run);
            continue;
        }
        EXPECT_EQ(run.status, 0) << what << "\n" << describe(run);
        ASSERT_EQ(samples.size(), size_t(s.width) * size_t(s.height)) << what;
        // Image row r lands on target row r, cut to the target's width.
        for (int row = 0; row < s.height; ++row)
            for (int column = 0; column < s.width; ++column) {
                const bool inPicture = row < pictureHeight && column < pictureWidth;
                ASSERT_EQ(samples[size_t(row) * size_t(s.width) + size_t(column)],
                          inPicture ? indices[size_t(row * pictureWidth + column)] : 0)
                    << what << " at " << column << "," << row;
            }
    }

    const struct {
        int width;
        int height;
        const char* what;
    } images[] = {
        {0, 12, "an image 0 pixels wide: nothing is placed"},
        {0, 0, "an image of 0 x 0"},
        {1, 1, "an image 1 pixel wide: one pixel a row"},
        {65535, 65535, "an image wider than the data: all of it in row 0"},
        {16, 65535, "an image taller than the data"},
    };
    for (const auto& image : images) {
        GifLayout layout = pictureLayout();
        layout.imageWidth = image.width;
        layout.imageHeight = image.height;
        Bytes samples;
        const ToolRun run = decode(giftest::buildGif(layout), &samples);
        EXPECT_EQ(run.status, 0) << image.what << "\n" << describe(run);
        ASSERT_EQ(samples.size(), indices.size()) << image.what;
        for (size_t at = 0; at < samples.size(); ++at) {
            const size_t row = at / pictureWidth, column = at % pictureWidth;
            uint8_t expected = 0;
            if (image.width == 1 && column == 0)
                expected = indices[row];
            else if (image.width == 65535 && row == 0)
                expected = indices[column];
            else if (image.width == 16)
                expected = indices[at];
            ASSERT_EQ(samples[at], expected) << image.what << " at " << at;
        }
    }
}
