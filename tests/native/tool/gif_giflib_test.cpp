// SPDX-License-Identifier: GPL-3.0-or-later
// The picture decoder against giflib: pictures encoded by giflib's EGif come
// back index for index, and on real pictures made by other encoders it agrees
// with giflib's DGifSlurp.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <fstream>

#include "gif_giflib_support.h"
#include "package/gif_decoder.h"

using namespace giftest;

namespace {

namespace fs = std::filesystem;

Bytes readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Decodes into a guarded target of the image's own size.
Bytes decodeImage(const Bytes& stream, int width, int height, int* status = nullptr)
{
    GuardedTarget target(width, height, width + 3);
    const FastResult result = fastDecode(stream, uint32_t(stream.size()), target.target());
    EXPECT_EQ(result.headerStatus, gifOk);
    EXPECT_TRUE(target.guardsIntact());
    if (status)
        *status = result.status;
    return target.rectangle();
}

struct Size {
    int width;
    int height;
};

}  // namespace

TEST(GifGiflib, EncodedPicturesComeBackIndexForIndex)
{
    std::mt19937 random(1);
    const Size sizes[] = {{1, 1}, {3, 7}, {255, 1}, {256, 256}, {640, 480}, {1000, 3}};
    for (const Size size : sizes) {
        for (int bits = 1; bits <= 8; ++bits) {
            const int colours = 1 << bits;
            for (bool interlaced : {false, true}) {
                const Bytes indices = (bits + interlaced) % 2
                                          ? randomIndices(random, size_t(size.width) * size_t(size.height), colours)
                                          : photoLikeIndices(random, size.width, size.height, colours);
                GiflibEncoding encoding;
                encoding.colourCount = colours;
                encoding.interlaced = interlaced;
                const Bytes gif = giflibEncode(indices, size.width, size.height, encoding);
                ASSERT_FALSE(gif.empty());
                const std::string what = std::to_string(size.width) + "x" + std::to_string(size.height) + ", " +
                                         std::to_string(colours) + " colours" + (interlaced ? ", interlaced" : "");
                // giflib's minimum code size: the table's bits, at least 2.
                const size_t codeSizeAt = 13 + size_t(3 * colours) + 10;
                ASSERT_EQ(gif[codeSizeAt], std::max(2, bits)) << what;
                int status = -1;
                EXPECT_EQ(decodeImage(gif, size.width, size.height, &status), indices) << what;
                EXPECT_EQ(status, gifOk) << what;
            }
        }
    }
}

TEST(GifGiflib, ManyClearCodesComeBackIndexForIndex)
{
    std::mt19937 random(2);
    const Bytes indices = randomIndices(random, 640 * 480, 256);
    const Bytes gif = giflibEncode(indices, 640, 480);
    const ReferenceResult reference = referenceDecode(gif, 0xFFFFFFFFu);
    EXPECT_GT(reference.clearCodes, 50); // giflib clears its table each time it fills
    EXPECT_EQ(decodeImage(gif, 640, 480), indices);
}

TEST(GifGiflib, FullTableDataAgreesWithGiflib)
{
    std::mt19937 random(3);
    const Bytes indices = photoLikeIndices(random, 512, 300, 256);
    for (int whileFull : {-1, 0, 700}) {
        LzwOptions options;
        options.deferClear = true;
        options.codesWhileFull = whileFull;
        const Bytes gif = gifOf(indices, 512, 300, 8, false, options);
        EXPECT_TRUE(referenceDecode(gif, 0xFFFFFFFFu).tableFilled);
        const GiflibDecoding giflib = giflibDecode(gif);
        ASSERT_TRUE(giflib.slurped);
        EXPECT_EQ(giflib.raster, indices);
        EXPECT_EQ(decodeImage(gif, 512, 300), indices) << "codes while full " << whileFull;
    }
}

TEST(GifGiflib, DataWithoutLeadingClearCodeAgreesWithGiflib)
{
    std::mt19937 random(4);
    for (int minimumCodeSize = 2; minimumCodeSize <= 8; ++minimumCodeSize) {
        const Bytes indices = photoLikeIndices(random, 90, 70, 1 << minimumCodeSize);
        LzwOptions options;
        options.initialClear = false;
        const Bytes gif = gifOf(indices, 90, 70, minimumCodeSize, false, options);
        const GiflibDecoding giflib = giflibDecode(gif);
        ASSERT_TRUE(giflib.slurped);
        EXPECT_EQ(giflib.raster, indices);
        EXPECT_EQ(decodeImage(gif, 90, 70), indices) << minimumCodeSize;
    }
    // The smallest case: 65, then the code being defined.
    GifLayout layout;
    layout.colourTable = greyTable(256);
    layout.imageWidth = 3;
    layout.imageHeight = 1;
    layout.data = packCodes({65, 258, 257}, 8);
    const Bytes gif = buildGif(layout);
    EXPECT_EQ(giflibDecode(gif).raster, (Bytes{65, 65, 65}));
    EXPECT_EQ(decodeImage(gif, 3, 1), (Bytes{65, 65, 65}));
}

TEST(GifGiflib, ReferenceLikeLayoutDecodesToItsEndCode)
{
    // A 256 x 256 GIF89a with a 256-entry table, one graphic control extension,
    // the descriptor's packed byte 0x07 and minimum code size 8.
    std::mt19937 random(5);
    const Bytes indices = photoLikeIndices(random, 256, 256, 256);
    GiflibEncoding encoding;
    encoding.graphicControl = true;
    Bytes gif = giflibEncode(indices, 256, 256, encoding);
    ASSERT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    ASSERT_EQ(gif[10], 0xF7);
    const size_t extension = 13 + 768;
    ASSERT_EQ(Bytes(gif.begin() + long(extension), gif.begin() + long(extension) + 8),
              (Bytes{0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}));
    ASSERT_EQ(gif[extension + 8], 0x2C);
    gif[extension + 8 + 9] = 0x07;
    ASSERT_EQ(gif[extension + 8 + 10], 8);
    ASSERT_EQ(gif[gif.size() - 2], 0x00);
    ASSERT_EQ(gif.back(), 0x3B);

    EXPECT_EQ(giflibDecode(gif).raster, indices);
    int status = -1;
    EXPECT_EQ(decodeImage(gif, 256, 256, &status), indices);
    EXPECT_EQ(status, gifOk);
    // The end code lies in the last data byte: the stream without its
    // terminator and trailer is enough, one byte less is not.
    for (uint32_t cut : {2u, 3u}) {
        GuardedTarget target(256, 256, 256);
        const FastResult result = fastDecode(gif, uint32_t(gif.size()) - cut, target.target());
        EXPECT_EQ(result.status, cut == 2 ? gifOk : gifDataEnded) << cut;
        EXPECT_TRUE(target.guardsIntact());
    }
}

TEST(GifGiflib, RealPicturesAgreeWithGiflibOrAreDecodedSafely)
{
    const fs::path root = fs::path(GLIMMER_TEST_DATA) / "gif";
    int compared = 0;
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".gif")
            continue;
        const Bytes file = readFile(entry.path());
        const std::string name = entry.path().lexically_relative(root).string();
        ASSERT_GE(file.size(), 13u) << name;
        const GiflibDecoding giflib = giflibDecode(file);
        if (giflib.slurped && giflib.imageCount == 1 && !giflib.localColourTable) {
            const Bytes ours = decodeImage(file, giflib.imageWidth, giflib.imageHeight);
            EXPECT_EQ(ours, giflib.raster) << name;
            ++compared;
        }
        // Every picture, into a target of its logical screen, with guards around it.
        const int width = file[6] | file[7] << 8;
        const int height = file[8] | file[9] << 8;
        for (int pitch : {width, width + 7}) {
            GuardedTarget target(width, height, pitch);
            const FastResult result = fastDecode(file, uint32_t(file.size()), target.target());
            EXPECT_TRUE(target.guardsIntact()) << name;
            (void)result;
        }
        ++checked;
    }
    std::printf("compared with giflib: %d of %d pictures\n", compared, checked);
    EXPECT_GE(compared, 15);
    EXPECT_GE(checked, 40);
}
