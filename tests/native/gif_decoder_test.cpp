// SPDX-License-Identifier: GPL-3.0-or-later
// The picture decoder on hand-made streams: the GIF rules it follows, the
// loader's own rules (separator search, 0x40 test, budget), and the edge cases.
#include <gtest/gtest.h>

#include "gif_test_support.h"
#include "package/gif_decoder.h"

using namespace giftest;

namespace {

// A one-image GIF of the given LZW codes, the image `width` x `height`.
Bytes streamOfCodes(const std::vector<int>& codes, int minimumCodeSize, int width, int height,
                    uint8_t imagePacked = 0x00)
{
    return gifOfCodes(codes, width, height, minimumCodeSize, 0xF7, imagePacked);
}

// Decodes into a guarded target of the image's width and `height` rows and
// returns the decoded indices in stream order (the first `count` pixels).
Bytes decodeRow(const Bytes& stream, int width, size_t count, int* status = nullptr)
{
    GuardedTarget target(width, 1, width);
    const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
    EXPECT_EQ(result.headerStatus, gifOk);
    EXPECT_TRUE(target.guardsIntact());
    if (status)
        *status = result.status;
    Bytes row = target.rectangle();
    row.resize(std::min(count, row.size()));
    return row;
}

Bytes rowsNumbered(int width, int height)
{
    Bytes indices;
    for (int row = 0; row < height; ++row)
        indices.insert(indices.end(), size_t(width), uint8_t(row));
    return indices;
}

}  // namespace

TEST(GifDecoder, DataWithoutLeadingClearCodeDecodesAsAConformingDecoderDoes)
{
    // 65, then the code being defined (258): 65 65 65, not 65 0 65.
    const Bytes stream = streamOfCodes({65, 258, 257}, 8, 3, 1);
    int status = -1;
    EXPECT_EQ(decodeRow(stream, 3, 3, &status), (Bytes{65, 65, 65}));
    EXPECT_EQ(status, gifOk);
}

TEST(GifDecoder, DataWithLeadingClearCodeDecodesTheSame)
{
    const Bytes stream = streamOfCodes({256, 65, 258, 257}, 8, 3, 1);
    EXPECT_EQ(decodeRow(stream, 3, 3), (Bytes{65, 65, 65}));
}

TEST(GifDecoder, EncoderWithoutLeadingClearRoundTrips)
{
    std::mt19937 random(7);
    for (int minimumCodeSize = 2; minimumCodeSize <= 8; ++minimumCodeSize) {
        const Bytes indices = randomIndices(random, 60 * 20, std::min(256, 1 << minimumCodeSize));
        LzwOptions options;
        options.initialClear = false;
        const Bytes stream = gifOf(indices, 60, 20, minimumCodeSize, false, options);
        GuardedTarget target(60, 20, 64);
        const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
        EXPECT_EQ(result.status, gifOk);
        EXPECT_EQ(target.rectangle(), indices) << "minimum code size " << minimumCodeSize;
    }
}

TEST(GifDecoder, CodeEqualToNextFreeSlotIsPreviousStringAndItsFirstByte)
{
    // Minimum code size 2: clear 4, end 5. 0 | 1 (adds 6 = 0 1) | 6 (adds 7 = 1 0)
    // | 8, the slot being defined: 6's string followed by its first byte, 0 1 0.
    const Bytes stream = streamOfCodes({4, 0, 1, 6, 8, 5}, 2, 7, 1);
    EXPECT_EQ(decodeRow(stream, 7, 7), (Bytes{0, 1, 0, 1, 0, 1, 0}));
}

TEST(GifDecoder, CodeAtOrAboveFirstFreeCodeAfterClearIsIndexZero)
{
    for (int code : {6, 7}) {
        // After the clear, the code is taken as 0; 1 then adds 6 = 0 1, which 6 repeats.
        const Bytes stream = streamOfCodes({4, code, 1, 6, 5}, 2, 4, 1);
        EXPECT_EQ(decodeRow(stream, 4, 4), (Bytes{0, 1, 0, 1})) << "code " << code;
    }
    // The same rule at the start of data that has no clear code.
    EXPECT_EQ(decodeRow(streamOfCodes({7, 3, 5}, 2, 2, 1), 2, 2), (Bytes{0, 3}));
}

TEST(GifDecoder, ConsecutiveClearCodesAreAbsorbed)
{
    // Minimum code size 3 (clear 8, end 9); 2 3 adds 10 before the clears, which
    // reset the table, so that 10 is then the slot being defined again.
    const Bytes stream = streamOfCodes({8, 2, 3, 8, 8, 8, 5, 10, 9}, 3, 5, 1);
    EXPECT_EQ(decodeRow(stream, 5, 5), (Bytes{2, 3, 5, 5, 5}));
}

TEST(GifDecoder, EndCodeRightAfterClearEndsTheDecode)
{
    const Bytes stream = streamOfCodes({4, 1, 2, 4, 5, 3, 3, 3}, 2, 5, 1);
    GuardedTarget target(5, 1, 5);
    const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
    EXPECT_EQ(result.status, gifOk);
    EXPECT_EQ(result.image.pixelCount, 2u);
    EXPECT_EQ(target.rectangle(), (Bytes{1, 2, 0xEE, 0xEE, 0xEE}));
}

TEST(GifDecoder, MinimumCodeSizeOutsideTwoToNineIsRefusedWithNothingWritten)
{
    for (int minimumCodeSize : {0, 1, 10, 11, 255}) {
        GifLayout layout;
        layout.colourTable = greyTable(256);
        layout.imageWidth = 4;
        layout.imageHeight = 4;
        layout.minimumCodeSize = minimumCodeSize;
        layout.data = packCodes({4, 1, 1, 1, 1, 5}, 2);
        GuardedTarget target(4, 4, 4);
        const Bytes before = target.memory;
        const FastResult result = fastDecode(buildGif(layout), 0xFFFFFFFFu, target.target());
        EXPECT_EQ(result.status, gifBadCodeSize) << minimumCodeSize;
        EXPECT_EQ(result.image.pixelCount, 0u);
        EXPECT_EQ(target.memory, before);
    }
}

TEST(GifDecoder, MinimumCodeSizeNineTakesTheLowByteOfEachRoot)
{
    // Clear 512, end 513: root 300 is index 44; 514 is the slot being defined.
    const Bytes stream = streamOfCodes({512, 300, 514, 7, 513}, 9, 4, 1);
    EXPECT_EQ(decodeRow(stream, 4, 4), (Bytes{44, 44, 44, 7}));
}

TEST(GifDecoder, PackedByte0x60IsLaidOutAsNotInterlaced)
{
    const int width = 5, height = 16;
    const Bytes indices = rowsNumbered(width, height);
    for (uint8_t packed : {uint8_t(0x00), uint8_t(0x60), uint8_t(0x41), uint8_t(0x48), uint8_t(0x07)}) {
        const Bytes stream = streamOfCodes(lzwEncode(indices, 8), 8, width, height, packed);
        GuardedTarget target(width, height, 8);
        const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
        EXPECT_EQ(result.status, gifOk);
        EXPECT_FALSE(result.image.interlaced);
        EXPECT_EQ(target.rectangle(), indices) << "packed byte " << int(packed);
        EXPECT_TRUE(target.guardsIntact());
    }
}

TEST(GifDecoder, Interlaced256RowsFillThePassesInOrder)
{
    const int width = 3, height = 256;
    // The data carries each row's number, in the order the rows are sent.
    Bytes sent;
    const std::vector<int> order = rowOrder(height, true);
    for (int row : order)
        sent.insert(sent.end(), size_t(width), uint8_t(row));
    const Bytes stream = streamOfCodes(lzwEncode(sent, 8), 8, width, height, 0x40);

    GuardedTarget target(width, height, width);
    const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
    ASSERT_EQ(result.status, gifOk);
    EXPECT_TRUE(result.image.interlaced);
    EXPECT_EQ(target.rectangle(), rowsNumbered(width, height));

    // The order itself: 0, 8, ... 248, then 4, 12, ... 252, then 2, 6, ... 254, then 1, 3, ... 255.
    std::vector<int> expected;
    for (int row = 0; row < 256; row += 8) expected.push_back(row);
    for (int row = 4; row < 256; row += 8) expected.push_back(row);
    for (int row = 2; row < 256; row += 4) expected.push_back(row);
    for (int row = 1; row < 256; row += 2) expected.push_back(row);
    EXPECT_EQ(order, expected);
    // Data cut after the first 32 rows has filled exactly rows 0, 8, ... 248.
    Bytes firstPass(sent.begin(), sent.begin() + 32 * width);
    LzwOptions options;
    options.endCode = true;
    const Bytes cut = streamOfCodes(lzwEncode(firstPass, 8, options), 8, width, height, 0x40);
    GuardedTarget partial(width, height, width);
    fastDecode(cut, 0xFFFFFFFFu, partial.target());
    for (int row = 0; row < height; ++row)
        EXPECT_EQ(partial.at(0, row), row % 8 == 0 ? uint8_t(row) : uint8_t(0xEE)) << "row " << row;
}

TEST(GifDecoder, RowCompletedByTheFirstCodeAfterAClearIsFollowedByTheNextRow)
{
    // Rows of 3: "1 2 | clear | 3" ends the first row, "0 1 | clear | 2" the
    // second; the third is "clear 3 0 1".
    const std::vector<int> codes = {4, 1, 2, 4, 3, 0, 1, 4, 2, 4, 3, 0, 1, 5};
    const Bytes sent[3] = {{1, 2, 3}, {0, 1, 2}, {3, 0, 1}};
    for (uint8_t packed : {uint8_t(0x00), uint8_t(0x40)}) {
        GuardedTarget target(3, 3, 5);
        const FastResult result = fastDecode(streamOfCodes(codes, 2, 3, 3, packed), 0xFFFFFFFFu, target.target());
        EXPECT_EQ(result.status, gifOk);
        EXPECT_EQ(result.image.pixelCount, 9u);
        // Three interlaced rows arrive as rows 0, 2, 1.
        const int rows[3] = {0, packed ? 2 : 1, packed ? 1 : 2};
        for (int i = 0; i < 3; ++i)
            for (int column = 0; column < 3; ++column)
                EXPECT_EQ(target.at(column, rows[i]), sent[i][size_t(column)]) << int(packed) << " row " << rows[i];
        EXPECT_TRUE(target.guardsIntact());
    }
}

TEST(GifDecoder, InterlacedPicturesOfFewRowsSkipEmptyPasses)
{
    const int width = 4;
    for (int height = 1; height <= 17; ++height) {
        Bytes sent;
        for (int row : rowOrder(height, true))
            sent.insert(sent.end(), size_t(width), uint8_t(row + 1));
        // Surplus data after the last pass must be dropped.
        sent.insert(sent.end(), size_t(width) * 3, 0x77);
        const Bytes stream = streamOfCodes(lzwEncode(sent, 8), 8, width, height, 0x40);
        GuardedTarget target(width, height, width + 3);
        const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
        EXPECT_EQ(result.headerStatus, gifOk);
        Bytes expected;
        for (int row = 0; row < height; ++row)
            expected.insert(expected.end(), size_t(width), uint8_t(row + 1));
        EXPECT_EQ(target.rectangle(), expected) << "height " << height;
        EXPECT_TRUE(target.guardsIntact()) << "height " << height;
    }
}

TEST(GifDecoder, InterlacedRowsOfANarrowerImageArePitchApart)
{
    const int width = 20, height = 12;
    Bytes indices;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            indices.push_back(uint8_t(row * 16 + column));
    const Bytes stream = gifOf(indices, width, height, 8, true);
    GuardedTarget target(32, 16, 40);
    const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
    EXPECT_EQ(result.status, gifOk);
    for (int row = 0; row < 16; ++row)
        for (int column = 0; column < 32; ++column) {
            const bool inImage = row < height && column < width;
            EXPECT_EQ(target.at(column, row), inImage ? indices[size_t(row * width + column)] : 0xEE)
                << column << "," << row;
        }
    EXPECT_TRUE(target.guardsIntact());
}

TEST(GifDecoder, SeparatorByteInsideTheColourTableIsNotTheSeparator)
{
    const Bytes indices = {1, 2, 3, 0, 1, 2};
    GifLayout layout;
    layout.screenPacked = 0x80; // N = 0: a 6-byte table
    layout.colourTable = {0, 0, 0, 0x2C, 0x2C, 0x2C};
    layout.imageWidth = 3;
    layout.imageHeight = 2;
    layout.minimumCodeSize = 2;
    layout.data = packCodes(lzwEncode(indices, 2), 2);
    GuardedTarget target(3, 2, 3);
    const FastResult result = fastDecode(buildGif(layout), 0xFFFFFFFFu, target.target());
    EXPECT_EQ(result.status, gifOk);
    EXPECT_EQ(result.image.imageWidth, 3);
    EXPECT_EQ(result.image.imageHeight, 2);
    EXPECT_EQ(target.rectangle(), indices);
}

TEST(GifDecoder, TableIsSkippedByTheScreenPackedBitsEvenWithoutItsFlag)
{
    // Packed 0x01, no table flag: 12 bytes are skipped all the same.
    GifLayout layout;
    layout.screenPacked = 0x01;
    layout.colourTable = Bytes(12, 0x2C);
    layout.imageWidth = 2;
    layout.imageHeight = 1;
    layout.minimumCodeSize = 2;
    layout.data = packCodes({4, 3, 2, 5}, 2);
    GuardedTarget target(2, 1, 2);
    const FastResult result = fastDecode(buildGif(layout), 0xFFFFFFFFu, target.target());
    EXPECT_EQ(result.status, gifOk);
    EXPECT_EQ(target.rectangle(), (Bytes{3, 2}));
}

TEST(GifDecoder, GraphicControlExtensionBeforeTheDescriptorIsSkipped)
{
    const Bytes indices = {5, 6, 7, 8};
    GifLayout layout;
    layout.colourTable = greyTable(256);
    layout.beforeImage = {0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
    layout.imageWidth = 4;
    layout.imageHeight = 1;
    layout.data = packCodes(lzwEncode(indices, 8), 8);
    GuardedTarget target(4, 1, 4);
    const FastResult result = fastDecode(buildGif(layout), 0xFFFFFFFFu, target.target());
    EXPECT_EQ(result.status, gifOk);
    EXPECT_EQ(target.rectangle(), indices);
}

TEST(GifDecoder, VersionIsNotChecked)
{
    for (const char* signature : {"GIF87a", "GIF89a", "GIFxyz"}) {
        GifLayout layout;
        layout.signature = signature;
        layout.colourTable = greyTable(256);
        layout.imageWidth = 2;
        layout.imageHeight = 1;
        layout.data = packCodes({256, 9, 200, 257}, 8);
        GuardedTarget target(2, 1, 2);
        const FastResult result = fastDecode(buildGif(layout), 0xFFFFFFFFu, target.target());
        EXPECT_EQ(result.status, gifOk) << signature;
        EXPECT_EQ(target.rectangle(), (Bytes{9, 200})) << signature;
    }
}

TEST(GifDecoder, StreamsThatAreNotGifOrHoldNoImageAreRefused)
{
    GuardedTarget target(2, 2, 2);
    EXPECT_EQ(fastDecode({'G', 'I', 'G', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0}, 100, target.target()).headerStatus,
              gifNotGif);
    EXPECT_EQ(fastDecode({'G', 'I', 'F', '8', '9'}, 100, target.target()).headerStatus, gifNotGif);
    EXPECT_EQ(fastDecode({}, 100, target.target()).headerStatus, gifNotGif);
    // No separator after the table.
    GifLayout layout;
    layout.colourTable = greyTable(256);
    Bytes noSeparator = buildGif(layout);
    noSeparator.resize(13 + 768);
    noSeparator.insert(noSeparator.end(), {0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3B});
    EXPECT_EQ(fastDecode(noSeparator, 0xFFFFFFFFu, target.target()).headerStatus, gifNoImage);
    // A descriptor cut short.
    Bytes cut = buildGif(layout);
    cut.resize(13 + 768 + 6);
    EXPECT_EQ(fastDecode(cut, 0xFFFFFFFFu, target.target()).headerStatus, gifNoImage);
    EXPECT_TRUE(target.guardsIntact());
}

TEST(GifDecoder, ImageSizeComesFromTheDescriptor)
{
    GifLayout layout;
    layout.screenWidth = 640;
    layout.screenHeight = 480;
    layout.colourTable = greyTable(256);
    layout.imageWidth = 0x1234;
    layout.imageHeight = 0xFEDC;
    GifStream stream;
    const Bytes bytes = buildGif(layout);
    gifOpenMemory(&stream, bytes.data(), bytes.size());
    GifImage image{};
    ASSERT_EQ(gifReadImageSize(&stream, &image), gifOk);
    EXPECT_EQ(image.imageWidth, 0x1234);
    EXPECT_EQ(image.imageHeight, 0xFEDC);
    // 6 + 7 + 768 + separator + 4 + 4 bytes consumed.
    EXPECT_EQ(stream.byteCount, 790u);
}

TEST(GifDecoder, BudgetStopsTheDecodeExactlyAtItsEnd)
{
    // Minimum code size 7: every code of this data is 8 bits wide, one byte each.
    GifLayout layout;
    layout.screenPacked = 0x86; // a 384-byte table
    layout.colourTable = greyTable(128);
    layout.imageWidth = 4;
    layout.imageHeight = 1;
    layout.minimumCodeSize = 7;
    layout.data = {128, 10, 11, 12, 13, 129};
    const Bytes stream = buildGif(layout);
    // header 13, table 384, descriptor 10, code size 1, count 1: the data starts at 409.
    const uint32_t dataStart = 13 + 384 + 10 + 1 + 1;
    ASSERT_EQ(stream[dataStart + 1], 10);
    for (uint32_t budget = dataStart - 3; budget <= uint32_t(stream.size()) + 2; ++budget) {
        GuardedTarget target(4, 1, 4);
        const FastResult result = fastDecode(stream, budget, target.target());
        ASSERT_EQ(result.headerStatus, gifOk);
        // Bytes 0 to budget-1 are the only ones used: the count byte, the clear
        // code, then one index per byte, then the end code.
        const uint32_t usable = budget > dataStart ? std::min<uint32_t>(budget - dataStart, 6) : 0;
        const size_t indices = std::min<size_t>(usable > 0 ? usable - 1 : 0, 4);
        EXPECT_EQ(result.image.pixelCount, indices) << "budget " << budget;
        EXPECT_EQ(result.status, usable >= 6 ? gifOk : gifDataEnded) << "budget " << budget;
        for (size_t column = 0; column < 4; ++column)
            EXPECT_EQ(target.at(int(column), 0), column < indices ? 10 + column : 0xEE) << "budget " << budget;
    }
}

TEST(GifDecoder, BudgetCountsFromTheStreamsFirstByteAndCutsSubBlocks)
{
    std::mt19937 random(11);
    const Bytes indices = randomIndices(random, 40 * 30, 16);
    GifLayout layout;
    layout.colourTable = greyTable(256);
    layout.imageWidth = 40;
    layout.imageHeight = 30;
    layout.minimumCodeSize = 4;
    layout.screenPacked = 0xF7;
    layout.data = packCodes(lzwEncode(indices, 4), 4);
    layout.blockSize = 17;
    const Bytes stream = buildGif(layout);
    // The parse (header, table, descriptor, code size) only counts its bytes;
    // the budget governs the data from the first count byte on.
    const uint32_t dataStart = 13 + 768 + 10 + 1;
    for (uint32_t budget = 0; budget < dataStart; budget += 97) {
        GuardedTarget target(40, 30, 40);
        const FastResult result = fastDecode(stream, budget, target.target());
        EXPECT_EQ(result.status, gifDataEnded);
        EXPECT_EQ(result.image.pixelCount, 0u);
    }
    for (uint32_t budget = dataStart; budget <= stream.size(); budget += 1) {
        // Whatever lies at and beyond the budget cannot change the picture.
        Bytes altered = stream;
        for (size_t at = budget; at < altered.size(); ++at)
            altered[at] = uint8_t(altered[at] * 7 + 13);
        GuardedTarget first(40, 30, 40);
        GuardedTarget second(40, 30, 40);
        const FastResult a = fastDecode(stream, budget, first.target());
        const FastResult b = fastDecode(altered, budget, second.target());
        if (a.headerStatus != gifOk)
            continue;
        EXPECT_EQ(first.memory, second.memory) << "budget " << budget;
        EXPECT_EQ(a.image.pixelCount, b.image.pixelCount);
        // And the plain reading of the budget agrees pixel for pixel.
        const ReferenceResult reference = referenceDecode(stream, budget);
        EXPECT_EQ(a.image.pixelCount, reference.indices.size()) << "budget " << budget;
        EXPECT_EQ(a.status, reference.status) << "budget " << budget;
    }
}

TEST(GifDecoder, MissingWorkspaceStopsWithNothingWritten)
{
    const Bytes stream = streamOfCodes({256, 1, 2, 3, 257}, 8, 3, 1);
    GuardedTarget target(3, 1, 3);
    const Bytes before = target.memory;
    const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target(), false);
    EXPECT_EQ(result.status, gifOutOfMemory);
    EXPECT_EQ(target.memory, before);
}

TEST(GifDecoder, BlockTerminatorBeforeTheEndCodeKeepsThePixelsSoFar)
{
    std::vector<int> codes = {256, 1, 2, 3, 4};
    GifLayout layout;
    layout.colourTable = greyTable(256);
    layout.imageWidth = 8;
    layout.imageHeight = 1;
    layout.data = packCodes(codes, 8);
    Bytes stream = buildGif(layout);
    // More data after the terminator is never read.
    stream.insert(stream.end() - 1, {3, 0x55, 0x55, 0x55});
    GuardedTarget target(8, 1, 8);
    const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
    EXPECT_EQ(result.status, gifDataEnded);
    EXPECT_EQ(result.image.pixelCount, 4u);
    EXPECT_EQ(target.rectangle(), (Bytes{1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(GifDecoder, FullTableKeepsDecodingWithoutAdditions)
{
    std::mt19937 random(3);
    // Enough noise to fill the 4096 entries several times over.
    const Bytes indices = randomIndices(random, 300 * 200, 256);
    for (int whileFull : {-1, 0, 1, 500}) {
        LzwOptions options;
        options.deferClear = true;
        options.codesWhileFull = whileFull;
        const Bytes stream = gifOf(indices, 300, 200, 8, false, options);
        GuardedTarget target(300, 200, 300);
        const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
        EXPECT_EQ(result.status, gifOk);
        EXPECT_EQ(target.rectangle(), indices) << "codes while full " << whileFull;
    }
}

TEST(GifDecoder, ManyClearCodesRoundTrip)
{
    std::mt19937 random(5);
    for (int every : {1, 2, 5, 63}) {
        const Bytes indices = photoLikeIndices(random, 97, 31, 16);
        LzwOptions options;
        options.clearAfterEntries = every;
        const Bytes stream = gifOf(indices, 97, 31, 4, false, options);
        GuardedTarget target(97, 31, 100);
        const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
        EXPECT_EQ(result.status, gifOk);
        EXPECT_EQ(target.rectangle(), indices) << "clear every " << every;
    }
}

TEST(GifDecoder, LongRunsRoundTrip)
{
    // One colour: strings grow to thousands of bytes.
    for (int size : {1, 2, 7, 8, 9, 100, 1000}) {
        const Bytes indices(size_t(size) * size_t(size), 3);
        const Bytes stream = gifOf(indices, size, size, 2);
        GuardedTarget target(size, size, size);
        const FastResult result = fastDecode(stream, 0xFFFFFFFFu, target.target());
        EXPECT_EQ(result.status, gifOk);
        EXPECT_EQ(target.rectangle(), indices) << size;
        EXPECT_TRUE(target.guardsIntact());
    }
}

namespace {

struct ChunkedSource {
    const Bytes* bytes;
    size_t position;
    size_t chunk;
};

size_t fillChunk(void* context, uint8_t* buffer, size_t capacity)
{
    auto* source = static_cast<ChunkedSource*>(context);
    const size_t count = std::min({capacity, source->chunk, source->bytes->size() - source->position});
    std::memcpy(buffer, source->bytes->data() + source->position, count);
    source->position += count;
    return count;
}

}  // namespace

TEST(GifDecoder, BufferedSourceReadsLikeMemory)
{
    std::mt19937 random(9);
    const Bytes indices = photoLikeIndices(random, 123, 45, 64);
    const Bytes stream = gifOf(indices, 123, 45, 6, true);
    for (size_t bufferSize : {size_t(1), size_t(3), size_t(255), size_t(4096)}) {
        for (size_t chunk : {size_t(1), size_t(7), size_t(1000)}) {
            for (uint32_t budget : {uint32_t(stream.size()), uint32_t(stream.size() / 2), 0xFFFFFFFFu}) {
                ChunkedSource source{&stream, 0, chunk};
                Bytes buffer(bufferSize);
                GifStream gif;
                gifOpenSource(&gif, fillChunk, &source, buffer.data(), buffer.size());
                GifImage image{};
                ASSERT_EQ(gifReadImageSize(&gif, &image), gifOk);
                GuardedTarget fromSource(123, 45, 128);
                const GifTarget target = fromSource.target();
                GifWorkspace* workspace = gifAllocateWorkspace();
                const int status = gifDecodeImage(&gif, &image, budget, &target, workspace);
                gifFreeWorkspace(workspace);

                GuardedTarget fromMemory(123, 45, 128);
                const FastResult expected = fastDecode(stream, budget, fromMemory.target());
                EXPECT_EQ(status, expected.status);
                EXPECT_EQ(image.pixelCount, expected.image.pixelCount);
                EXPECT_EQ(fromSource.memory, fromMemory.memory)
                    << "buffer " << bufferSize << " chunk " << chunk << " budget " << budget;
            }
        }
    }
}
