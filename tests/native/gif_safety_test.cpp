// SPDX-License-Identifier: GPL-3.0-or-later
// The picture decoder on every kind of bad input: it never writes outside the
// target rectangle, always ends, and agrees with the plain reference reading of
// the same bytes, whatever the stream holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "gif_test_support.h"
#include "package/gif_decoder.h"

using namespace giftest;

namespace {

Bytes readTestFile(const std::string& name)
{
    std::ifstream file(std::string(GLIMMER_TEST_DATA) + "/gif/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// True when the decoder may have stopped early because the target could take
// no more pixels (its status and count then say less than the reference's).
bool targetCanFill(const ReferenceResult& reference, int targetWidth, int targetHeight)
{
    const int visible = std::min(reference.imageWidth, targetWidth);
    if (visible <= 0 || targetHeight <= 0 || (reference.interlaced && reference.imageHeight <= 0))
        return true;
    const uint64_t rows = reference.interlaced ? uint64_t(reference.imageHeight) : uint64_t(targetHeight);
    return reference.indices.size() >= rows * uint64_t(reference.imageWidth);
}

// Decodes `stream` with both decoders into equal guarded targets and checks
// that they agree and that the guards hold.
void expectAgreement(const Bytes& stream, uint32_t budget, int width, int height, int pitch, const std::string& what)
{
    GuardedTarget fast(width, height, pitch);
    GuardedTarget plain(width, height, pitch);
    const FastResult result = fastDecode(stream, budget, fast.target());
    const ReferenceResult reference = referenceDecode(stream, budget);
    ASSERT_TRUE(fast.guardsIntact()) << what;
    ASSERT_LE(reference.maxStack, 4097u) << what;
    if (result.headerStatus != gifOk) {
        EXPECT_EQ(result.headerStatus, reference.status) << what;
        return;
    }
    if (result.status == gifBadCodeSize) {
        EXPECT_EQ(reference.status, gifBadCodeSize) << what;
        EXPECT_EQ(fast.memory, plain.memory) << what;
        return;
    }
    referencePlace(reference, plain);
    ASSERT_EQ(fast.memory, plain.memory) << what;
    if (!targetCanFill(reference, width, height)) {
        EXPECT_EQ(result.status, reference.status) << what;
        EXPECT_EQ(result.image.pixelCount, reference.indices.size()) << what;
    }
}

// A random one-image stream; `corrupt` damages its data afterwards.
Bytes randomStream(std::mt19937& random, int* width, int* height)
{
    std::uniform_int_distribution<int> size(1, 70);
    *width = size(random);
    *height = size(random) / 2 + 1;
    const int minimumCodeSize = std::uniform_int_distribution<int>(2, 9)(random);
    const int colours = std::min(256, 1 << minimumCodeSize);
    const bool interlaced = random() % 3 == 0;
    Bytes indices = random() % 2 ? randomIndices(random, size_t(*width) * size_t(*height), colours)
                                 : photoLikeIndices(random, *width, *height, colours);
    LzwOptions options;
    options.initialClear = random() % 4 != 0;
    options.clearAfterEntries = random() % 3 == 0 ? int(random() % 300) : 0;
    options.deferClear = random() % 2;
    options.codesWhileFull = int(random() % 50) - 1;
    options.endCode = random() % 8 != 0;
    // Surplus or missing pixel data.
    if (random() % 4 == 0)
        indices.resize(indices.size() + random() % 200, uint8_t(random() % colours));
    if (random() % 4 == 0)
        indices.resize(indices.size() / 2);
    Bytes ordered;
    if (interlaced && indices.size() >= size_t(*width) * size_t(*height)) {
        for (int row : rowOrder(*height, true))
            ordered.insert(ordered.end(), indices.begin() + long(row) * *width,
                           indices.begin() + long(row + 1) * *width);
        ordered.insert(ordered.end(), indices.begin() + long(*width) * *height, indices.end());
    } else {
        ordered = indices;
    }
    GifLayout layout;
    layout.screenWidth = *width;
    layout.screenHeight = *height;
    layout.colourTable = greyTable(256);
    layout.imageWidth = *width;
    layout.imageHeight = *height;
    layout.imagePacked = interlaced ? 0x40 : 0x00;
    layout.minimumCodeSize = minimumCodeSize;
    layout.data = packCodes(lzwEncode(ordered, minimumCodeSize, options), minimumCodeSize);
    layout.blockSize = 1 + int(random() % 255);
    layout.terminator = random() % 8 != 0;
    return buildGif(layout);
}

}  // namespace

TEST(GifSafety, AgreesWithThePlainReadingOnRandomStreams)
{
    std::mt19937 random(20240601);
    for (int round = 0; round < 600; ++round) {
        int width = 0, height = 0;
        const Bytes stream = randomStream(random, &width, &height);
        // Targets smaller, equal and larger than the image, with room right of the rows.
        const int targetWidth = std::max(0, width + int(random() % 21) - 10);
        const int targetHeight = std::max(0, height + int(random() % 21) - 10);
        const int pitch = targetWidth + int(random() % 9);
        const uint32_t budget = random() % 3 == 0 ? uint32_t(random() % (stream.size() + 20)) : 0xFFFFFFFFu;
        expectAgreement(stream, budget, targetWidth, targetHeight, pitch, "round " + std::to_string(round));
    }
}

TEST(GifSafety, AgreesWithThePlainReadingOnCorruptedData)
{
    std::mt19937 random(77);
    for (int round = 0; round < 600; ++round) {
        int width = 0, height = 0;
        Bytes stream = randomStream(random, &width, &height);
        const size_t dataStart = 13 + 768 + 10 + 1;
        const int damage = 1 + int(random() % 8);
        for (int i = 0; i < damage && stream.size() > dataStart; ++i) {
            const size_t at = dataStart + random() % (stream.size() - dataStart);
            stream[at] = uint8_t(random() % 3 == 0 ? stream[at] ^ (1u << (random() % 8)) : random());
        }
        expectAgreement(stream, 0xFFFFFFFFu, width, height, width + 5, "round " + std::to_string(round));
    }
}

TEST(GifSafety, RandomDataBytesNeverOverflowTheStackAndAlwaysEnd)
{
    std::mt19937 random(4242);
    for (int round = 0; round < 300; ++round) {
        GifLayout layout;
        layout.colourTable = greyTable(256);
        layout.imageWidth = 1 + int(random() % 90);
        layout.imageHeight = 1 + int(random() % 90);
        layout.imagePacked = random() % 2 ? 0x40 : 0x00;
        layout.minimumCodeSize = 2 + int(random() % 8);
        layout.data = randomIndices(random, 200 + random() % 20000, 256);
        const Bytes stream = buildGif(layout);
        expectAgreement(stream, 0xFFFFFFFFu, layout.imageWidth, layout.imageHeight, layout.imageWidth + 3,
                        "round " + std::to_string(round));
    }
}

TEST(GifSafety, CodesBeyondTheNextFreeSlotStayWithinTheTable)
{
    // Each code far above the slot being defined, over and over.
    std::vector<int> codes = {4, 1};
    for (int i = 0; i < 5000; ++i)
        codes.push_back(i % 3 == 0 ? 4095 : 2047);
    const Bytes data = packCodes(codes, 2);
    GifLayout layout;
    layout.colourTable = greyTable(256);
    layout.imageWidth = 64;
    layout.imageHeight = 64;
    layout.minimumCodeSize = 2;
    layout.data = data;
    const Bytes stream = buildGif(layout);
    expectAgreement(stream, 0xFFFFFFFFu, 64, 64, 64, "codes beyond the slot");
    expectAgreement(stream, 0xFFFFFFFFu, 2000, 300, 2000, "codes beyond the slot, large target");
}

TEST(GifSafety, EveryPrefixOfAValidStreamIsSafe)
{
    std::mt19937 random(13);
    for (bool interlaced : {false, true}) {
        const Bytes indices = photoLikeIndices(random, 37, 29, 32);
        GifLayout layout;
        layout.colourTable = greyTable(256);
        layout.beforeImage = {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x05, 0x00};
        layout.imageWidth = 37;
        layout.imageHeight = 29;
        layout.imagePacked = interlaced ? 0x40 : 0x00;
        layout.minimumCodeSize = 5;
        Bytes ordered;
        for (int row : rowOrder(29, interlaced))
            ordered.insert(ordered.end(), indices.begin() + row * 37, indices.begin() + (row + 1) * 37);
        layout.data = packCodes(lzwEncode(ordered, 5), 5);
        layout.blockSize = 40;
        const Bytes stream = buildGif(layout);
        for (size_t length = 0; length <= stream.size(); ++length) {
            const Bytes prefix(stream.begin(), stream.begin() + long(length));
            expectAgreement(prefix, 0xFFFFFFFFu, 37, 29, 37, "prefix " + std::to_string(length));
            expectAgreement(stream, uint32_t(length), 37, 29, 40, "budget " + std::to_string(length));
        }
    }
}

TEST(GifSafety, EveryPrefixOfRealPicturesIsSafe)
{
    for (const char* name : {"wuffs/hippopotamus.interlaced.gif", "wuffs/hippopotamus.regular.gif",
                             "wuffs/pjw-thumbnail.gif", "gif-test-suite/static_transparent.gif"}) {
        const Bytes file = readTestFile(name);
        ASSERT_GT(file.size(), 100u) << name;
        const int width = file[6] | file[7] << 8;
        const int height = file[8] | file[9] << 8;
        for (size_t length = 0; length <= file.size(); ++length) {
            const Bytes prefix(file.begin(), file.begin() + long(length));
            expectAgreement(prefix, 0xFFFFFFFFu, width, height, width, std::string(name) + " prefix " +
                                                                            std::to_string(length));
        }
    }
}

TEST(GifSafety, OversizedPicturesAreCutToTheTarget)
{
    std::mt19937 random(21);
    const Bytes indices = photoLikeIndices(random, 300, 200, 256);
    for (bool interlaced : {false, true}) {
        const Bytes stream = gifOf(indices, 300, 200, 8, interlaced);
        // Narrower and shorter than the image, with and without room right of the rows.
        for (int pitch : {64, 80}) {
            GuardedTarget target(64, 48, pitch);
            const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
            EXPECT_EQ(result.status, gifOk);
            EXPECT_TRUE(target.guardsIntact());
            for (int row = 0; row < 48; ++row)
                for (int column = 0; column < 64; ++column)
                    ASSERT_EQ(target.at(column, row), indices[size_t(row) * 300 + size_t(column)]);
        }
        expectAgreement(stream, 0xFFFFFFFFu, 64, 48, 64, "oversized");
        expectAgreement(stream, 0xFFFFFFFFu, 300, 7, 300, "short target");
        expectAgreement(stream, 0xFFFFFFFFu, 1, 1, 1, "one pixel");
        expectAgreement(stream, 0xFFFFFFFFu, 0, 0, 0, "empty target");
    }
}

TEST(GifSafety, SurplusPixelDataIsDropped)
{
    std::mt19937 random(31);
    const Bytes indices = randomIndices(random, 10 * 30, 256);
    for (uint8_t packed : {uint8_t(0x00), uint8_t(0x40)}) {
        GifLayout layout;
        layout.colourTable = greyTable(256);
        layout.imageWidth = 10;
        layout.imageHeight = 4; // the data holds 30 rows
        layout.imagePacked = packed;
        layout.data = packCodes(lzwEncode(indices, 8), 8);
        const Bytes stream = buildGif(layout);
        GuardedTarget target(10, 4, 10);
        const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
        EXPECT_EQ(result.headerStatus, gifOk);
        EXPECT_TRUE(target.guardsIntact());
        expectAgreement(stream, 0xFFFFFFFFu, 10, 4, 10, "surplus");
    }
}

TEST(GifSafety, ImageWidthAbovePitchAndZeroWidth)
{
    std::mt19937 random(41);
    for (int imageWidth : {0, 1, 17, 255, 4000, 65535}) {
        GifLayout layout;
        layout.colourTable = greyTable(256);
        layout.imageWidth = imageWidth;
        layout.imageHeight = 3;
        layout.data = packCodes(lzwEncode(randomIndices(random, 9000, 256), 8), 8);
        const Bytes stream = buildGif(layout);
        expectAgreement(stream, 0xFFFFFFFFu, 16, 16, 16, "image width " + std::to_string(imageWidth));
        expectAgreement(stream, 0xFFFFFFFFu, 16, 16, 20, "image width " + std::to_string(imageWidth));
    }
}

TEST(GifSafety, DamagedRealPicturesAreSafe)
{
    std::mt19937 random(8);
    for (const char* name : {"wuffs/hat.gif", "wuffs/bricks-dither.gif", "wuffs/hippopotamus.interlaced.gif",
                             "wuffs/muybridge.gif", "gif-test-suite/animated_loop_interlaced.gif"}) {
        const Bytes file = readTestFile(name);
        ASSERT_GT(file.size(), 100u) << name;
        const int width = file[6] | file[7] << 8;
        const int height = file[8] | file[9] << 8;
        for (int round = 0; round < 40; ++round) {
            Bytes damaged = file;
            for (int i = 0; i < 1 + round % 5; ++i)
                damaged[13 + random() % (damaged.size() - 13)] = uint8_t(random());
            expectAgreement(damaged, 0xFFFFFFFFu, width, height, width + 1,
                            std::string(name) + " round " + std::to_string(round));
        }
    }
}
