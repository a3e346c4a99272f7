// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer decode: the saver's decoder run on a GIF or a package's picture,
// written as PGM indices or as a colour PNG through the saver's palette.
#include <gtest/gtest.h>

#include <png.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli.h"
#include "tool_run.h"
#include "tool_test_folder.h"
#include "file_io.h"
#include "gif_giflib_support.h"
#include "package/package_format.h"

using namespace giftest;

namespace {

namespace fs = std::filesystem;

struct Png {
    int width = 0;
    int height = 0;
    Bytes indices;
    Bytes colourMap; // 3 bytes an entry
    Bytes rgb;
};

Png readPng(const std::string& path)
{
    Png png;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "libpng cannot read " << path;
        return png;
    }
    png.width = int(image.width);
    png.height = int(image.height);
    EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_COLORMAP);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    png.indices.resize(PNG_IMAGE_SIZE(image));
    png.colourMap.resize(PNG_IMAGE_COLORMAP_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, png.indices.data(), 0, png.colourMap.data()));
    png_image_free(&image);
    png_image rgbImage{};
    rgbImage.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_file(&rgbImage, path.c_str());
    rgbImage.format = PNG_FORMAT_RGB;
    png.rgb.resize(PNG_IMAGE_SIZE(rgbImage));
    EXPECT_TRUE(png_image_finish_read(&rgbImage, nullptr, png.rgb.data(), 0, nullptr));
    png_image_free(&rgbImage);
    return png;
}

class DecodeCommand : public ToolFolderTest {
protected:
    void SetUp() override
    {
        ToolFolderTest::SetUp();
        std::mt19937 random(17);
        indices = photoLikeIndices(random, 40, 30, 256);
        GiflibEncoding encoding;
        encoding.graphicControl = true;
        gif = giflibEncode(indices, 40, 30, encoding);
        write("picture.gif", gif);
    }

    // A package holding `picture` as record 0: a file.dat, or behind a
    // 61440-byte stand-in program.
    Bytes packageOf(const Bytes& picture, bool withProgram, int32_t length, unsigned char kind = gifKind) const
    {
        Bytes file;
        if (withProgram) {
            file.assign(61440, 0);
            file[0] = 'M';
            file[1] = 'Z';
        }
        const size_t headerStart = file.size();
        ImagePackage package = {};
        package.imageCount = 1;
        for (int record = 0; record < imageRecordCount; ++record) {
            package.colourKey[record] = noColourKey;
            package.kind[record] = gifKind;
        }
        package.width[0] = 40;
        package.height[0] = 30;
        package.offset[0] = int32_t(headerStart + packageHeaderSize + 1);
        package.length[0] = length;
        package.kind[0] = kind;
        file.resize(headerStart + packageHeaderSize + 1, 0);
        writePackageHeader(package, file.data() + headerStart);
        file.insert(file.end(), picture.begin(), picture.end());
        return file;
    }

    Bytes indices;
    Bytes gif;
};

}  // namespace

TEST_F(DecodeCommand, WritesThePaletteIndicesAsPgm)
{
    const ToolRun run = glimmer({"decode", path("picture.gif"), "-o", path("out.pgm")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const Pgm pgm = parsePgm(read("out.pgm"));
    EXPECT_EQ(pgm.width, 40);
    EXPECT_EQ(pgm.height, 30);
    EXPECT_EQ(pgm.samples, indices);
}

TEST_F(DecodeCommand, WritesAColourPngThroughTheSaversPalette)
{
    const ToolRun run = glimmer({"decode", path("picture.gif"), "-o", path("out.PNG")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Png png = readPng(path("out.PNG"));
    EXPECT_EQ(png.width, 40);
    EXPECT_EQ(png.height, 30);
    EXPECT_EQ(png.indices, indices);
    ASSERT_EQ(png.colourMap.size(), 768u);
    EXPECT_TRUE(std::equal(png.colourMap.begin(), png.colourMap.end(), gif.begin() + 13));
    ASSERT_EQ(png.rgb.size(), indices.size() * 3);
    for (size_t i = 0; i < indices.size(); ++i)
        for (size_t c = 0; c < 3; ++c)
            ASSERT_EQ(png.rgb[i * 3 + c], gif[13 + size_t(indices[i]) * 3 + c]) << i;
}

TEST_F(DecodeCommand, PaletteOfASmallTableReadsOnAsTheSaverDoes)
{
    // 4 colours: the saver still takes 768 bytes from byte 13, running on into
    // the extension, the descriptor and the data; black once the file ends.
    std::mt19937 random(2);
    const Bytes small = randomIndices(random, 6 * 2, 4);
    GiflibEncoding encoding;
    encoding.colourCount = 4;
    const Bytes picture = giflibEncode(small, 6, 2, encoding);
    ASSERT_LT(picture.size(), 13u + 768u);
    write("small.gif", picture);
    ASSERT_EQ(glimmer({"decode", path("small.gif"), "-o", path("small.png")}).status, 0);
    const Png png = readPng(path("small.png"));
    EXPECT_EQ(png.indices, small);
    ASSERT_EQ(png.colourMap.size(), 768u);
    for (size_t at = 0; at < 768; ++at)
        EXPECT_EQ(png.colourMap[at], 13 + at < picture.size() ? picture[13 + at] : 0) << at;
}

TEST_F(DecodeCommand, TakesRecordZeroOfASaverOrFileDat)
{
    for (bool withProgram : {true, false}) {
        write("package", packageOf(gif, withProgram, int32_t(gif.size())));
        const ToolRun run = glimmer({"decode", path("package"), "-o", path("out.pgm")});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(parsePgm(read("out.pgm")).samples, indices) << withProgram;
    }
}

TEST_F(DecodeCommand, RecordLengthIsTheBudget)
{
    // Record 0 holds 3 bytes less than the picture: the last data byte, with the
    // end code, is never read.
    write("package", packageOf(gif, true, int32_t(gif.size()) - 3));
    const ToolRun run = glimmer({"decode", path("package"), "-o", path("out.pgm")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("ends before its end code"), std::string::npos) << run.err;
    const Pgm pgm = parsePgm(read("out.pgm"));
    ASSERT_EQ(pgm.samples.size(), indices.size());
    // The budget runs out in the last data byte: at most the last code's pixels
    // are missing, and they stay index 0.
    const size_t same = size_t(std::mismatch(pgm.samples.begin(), pgm.samples.end(), indices.begin()).first -
                               pgm.samples.begin());
    EXPECT_GT(same, indices.size() - 8);
    EXPECT_TRUE(std::all_of(pgm.samples.begin() + long(same), pgm.samples.end(), [](uint8_t s) { return s == 0; }));
}

TEST_F(DecodeCommand, OffsetAndLengthPickThePicture)
{
    Bytes file(100 + gif.size() + 50, 0x55);
    std::fill_n(file.begin(), 100, 0x2C);
    std::copy(gif.begin(), gif.end(), file.begin() + 100);
    write("blob", file);
    ToolRun run = glimmer({"decode", path("blob"), "--offset", "100", "-o", path("a.pgm")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(parsePgm(read("a.pgm")).samples, indices);
    run = glimmer({"decode", path("blob"), "--offset", "100", "--length", std::to_string(gif.size() - 2), "-o",
                   path("b.pgm")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(parsePgm(read("b.pgm")).samples, indices);
    run = glimmer({"decode", path("blob"), "--offset", "100", "--length", "900", "-o", path("c.pgm")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Pgm cut = parsePgm(read("c.pgm"));
    EXPECT_NE(cut.samples, indices);
    EXPECT_TRUE(std::equal(cut.samples.begin(), cut.samples.begin() + 40, indices.begin()));
}

TEST_F(DecodeCommand, TargetSizeCutsOrPads)
{
    ToolRun run = glimmer({"decode", path("picture.gif"), "--width", "16", "--height", "50", "-o", path("a.pgm")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Pgm pgm = parsePgm(read("a.pgm"));
    ASSERT_EQ(pgm.width, 16);
    ASSERT_EQ(pgm.height, 50);
    for (int row = 0; row < 50; ++row)
        for (int column = 0; column < 16; ++column)
            ASSERT_EQ(pgm.samples[size_t(row * 16 + column)], row < 30 ? indices[size_t(row * 40 + column)] : 0)
                << column << "," << row;
}

TEST_F(DecodeCommand, BadInputIsRefusedWithStatus2)
{
    write("text.txt", Bytes(100000, 'x'));
    Bytes badCodeSize = gif;
    badCodeSize[13 + 768 + 8 + 10] = 10;
    write("badcode.gif", badCodeSize);
    Bytes noImage(gif.begin(), gif.begin() + 13 + 768);
    noImage.push_back(0x3B);
    write("noimage.gif", noImage);
    write("notgif.scr", packageOf(Bytes(50, 'x'), true, 50));
    write("kind.scr", packageOf(gif, true, int32_t(gif.size()), 'b'));
    Bytes farOffset = packageOf(gif, true, 10);
    farOffset[61440 + 22 + 12] = 0xFF;
    farOffset[61440 + 22 + 13] = 0xFF;
    farOffset[61440 + 22 + 14] = 0xFF;
    farOffset[61440 + 22 + 15] = 0x7F;
    write("far.scr", farOffset);
    Bytes zeroScreen = gif;
    zeroScreen[6] = zeroScreen[7] = 0;
    write("zero.gif", zeroScreen);

    const struct {
        std::vector<std::string> words;
        std::string message;
    } cases[] = {
        {{"decode", path("missing.gif"), "-o", path("o.pgm")}, "cannot open"},
        {{"decode", path("text.txt"), "-o", path("o.pgm")}, "neither a GIF"},
        {{"decode", path("badcode.gif"), "-o", path("o.pgm")}, "minimum code size 10"},
        {{"decode", path("noimage.gif"), "-o", path("o.pgm")}, "no image separator"},
        {{"decode", path("notgif.scr"), "-o", path("o.pgm")}, "is not a GIF"},
        {{"decode", path("kind.scr"), "-o", path("o.pgm")}, "not a GIF (kind 98"},
        {{"decode", path("far.scr"), "-o", path("o.pgm")}, "outside the file"},
        {{"decode", path("zero.gif"), "-o", path("o.pgm")}, "--width and --height"},
        {{"decode", path("picture.gif"), "--offset", "999999", "-o", path("o.pgm")}, "beyond the end"},
        {{"decode", path("picture.gif"), "--offset", "-1", "-o", path("o.pgm")}, "--offset"},
        {{"decode", path("picture.gif"), "--width", "10", "-o", path("o.pgm")}, "go together"},
        {{"decode", path("picture.gif"), "--width", "65535", "--height", "65535", "-o", path("o.pgm")},
         "too large"},
        {{"decode", path("picture.gif")}, "no output"},
        {{"decode", path("picture.gif"), "-o", path("picture.gif")}, ""},
    };
    for (const auto& bad : cases) {
        const ToolRun run = glimmer(bad.words);
        EXPECT_EQ(run.status, 2) << bad.words[1] << ": " << run.err;
        EXPECT_NE(run.err.find(bad.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(fs::exists(path("o.pgm")));
    EXPECT_EQ(read("picture.gif"), gif);
}
