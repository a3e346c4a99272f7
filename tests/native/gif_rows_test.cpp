// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of long runs, whose rows follow each other in the target, are
// decoded in place: each string is copied from where it was written before.
// Every outcome must be the one of the same data placed through the run
// buffer (a target whose rows lie further apart): the pixels, the status, the
// pixel count and the bytes read, whatever the target's height and the budget.
#include <gtest/gtest.h>

#include "gif_test_support.h"
#include "package/gif_decoder.h"

using namespace giftest;

namespace {

struct Outcome {
    int status = -1;
    uint64_t pixelCount = 0;
    uint64_t bytesRead = 0;
    Bytes rectangle;
    bool guardsIntact = false;
};

Outcome decodeInto(const Bytes& stream, uint32_t budget, int width, int height, int pitch)
{
    GuardedTarget target(width, height, pitch);
    GifStream source;
    gifOpenMemory(&source, stream.data(), stream.size());
    GifImage image{};
    Outcome outcome;
    if (gifReadImageSize(&source, &image) != gifOk)
        return outcome;
    const GifTarget where = target.target();
    GifWorkspace* workspace = gifAllocateWorkspace();
    outcome.status = gifDecodeImage(&source, &image, budget, &where, workspace);
    gifFreeWorkspace(workspace);
    outcome.pixelCount = image.pixelCount;
    outcome.bytesRead = source.byteCount;
    outcome.rectangle = target.rectangle();
    outcome.guardsIntact = target.guardsIntact();
    return outcome;
}

// A GIF with a 4-entry colour table, so that the data is most of the stream.
constexpr uint8_t smallTable = 0x81;

Bytes blocks(int width, int height, int side, int colours)
{
    Bytes out(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out[size_t(y) * size_t(width) + size_t(x)] = uint8_t((x / side + y / side) % colours);
    return out;
}

Bytes runsWithSpecks(int width, int height, uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes out(size_t(width) * size_t(height), 1);
    for (size_t i = 0; i < out.size(); i += 200 + random() % 400)
        out[i] = uint8_t(random() % 4);
    return out;
}

void expectSameAsThroughTheRunBuffer(const Bytes& stream, int width, int height, const std::string& what)
{
    const uint32_t size = uint32_t(stream.size());
    for (int targetHeight : {height, height - 1, height + 2, 1}) {
        for (uint32_t budget : {size, size - 1, size - 3, size * 3 / 4, size / 2, 0xFFFFFFFFu}) {
            const Outcome inPlace = decodeInto(stream, budget, width, targetHeight, width);
            const Outcome apart = decodeInto(stream, budget, width, targetHeight, width + 3);
            const std::string where = what + ", height " + std::to_string(targetHeight) + ", budget " +
                                      std::to_string(budget);
            EXPECT_EQ(std::tie(inPlace.status, inPlace.pixelCount, inPlace.bytesRead, inPlace.rectangle),
                      std::tie(apart.status, apart.pixelCount, apart.bytesRead, apart.rectangle))
                << where;
            EXPECT_TRUE(inPlace.guardsIntact) << where;
        }
    }
}

}  // namespace

TEST(GifDecoderInPlace, LongRunPicturesDecodeAsThroughTheRunBuffer)
{
    struct Case {
        const char* name;
        Bytes indices;
        int width;
        int height;
        int minimumCodeSize;
        LzwOptions options;
    };
    LzwOptions fullTable;
    fullTable.deferClear = true;
    fullTable.codesWhileFull = 300;
    LzwOptions noLeadingClear;
    noLeadingClear.initialClear = false;
    LzwOptions noEndCode;
    noEndCode.endCode = false;
    const Case cases[] = {
        {"one colour", Bytes(size_t(300) * 200, 2), 300, 200, 2, {}},
        {"blocks of 64", blocks(512, 256, 64, 4), 512, 256, 2, {}},
        {"blocks of 8", blocks(256, 256, 8, 3), 256, 256, 8, {}},
        {"specks, full table kept", runsWithSpecks(640, 480, 5), 640, 480, 2, fullTable},
        {"specks, no leading clear", runsWithSpecks(333, 200, 6), 333, 200, 3, noLeadingClear},
        {"one colour, no end code", Bytes(size_t(100) * 100, 1), 100, 100, 2, noEndCode},
    };
    for (const Case& c : cases) {
        const Bytes stream = gifOfCodes(lzwEncode(c.indices, c.minimumCodeSize, c.options), c.width, c.height,
                                        c.minimumCodeSize, smallTable);
        // Compressed well enough (under a byte in 16 pixels) to be decoded in place.
        ASSERT_LT(uint64_t(stream.size()) * 16, uint64_t(c.width) * uint64_t(c.height)) << c.name;
        const Outcome whole = decodeInto(stream, uint32_t(stream.size()), c.width, c.height, c.width);
        EXPECT_EQ(whole.status, c.options.endCode ? gifOk : gifDataEnded) << c.name;
        EXPECT_EQ(whole.rectangle, c.indices) << c.name;
        expectSameAsThroughTheRunBuffer(stream, c.width, c.height, c.name);
    }
}

TEST(GifDecoderInPlace, CorruptCodesDecodeAsThroughTheRunBuffer)
{
    // Codes beyond the next free slot, clear codes anywhere and codes right
    // after a clear that are no roots, in a target large enough for the data
    // to count as long runs.
    std::mt19937 random(21);
    for (int round = 0; round < 60; ++round) {
        const int minimumCodeSize = 2 + round % 3;
        const int clearCode = 1 << minimumCodeSize;
        std::vector<int> codes;
        int slots = clearCode + 2;
        for (int i = 0; i < 120; ++i) {
            int code = int(random() % uint32_t(slots + 3));
            if (code == clearCode + 1)
                code = clearCode + 2;
            codes.push_back(code);
            slots = code == clearCode ? clearCode + 2 : std::min(slots + 1, 4095);
        }
        codes.push_back(clearCode + 1);
        const Bytes stream = gifOfCodes(codes, 96, 64, minimumCodeSize, smallTable);
        ASSERT_LT(uint64_t(stream.size()) * 16, 96u * 64u);
        expectSameAsThroughTheRunBuffer(stream, 96, 64, "round " + std::to_string(round));
    }
}

TEST(GifDecoderInPlace, DataEndingEarlyLeavesTheRestAsItWas)
{
    const Bytes indices(size_t(200) * 100, 3);
    const Bytes stream = gifOfCodes(lzwEncode(indices, 2), 200, 100, 2, smallTable);
    for (uint32_t budget = 40; budget < stream.size(); budget += 7) {
        const Outcome cut = decodeInto(stream, budget, 200, 100, 200);
        ASSERT_EQ(cut.status, gifDataEnded) << budget;
        ASSERT_LT(cut.pixelCount, indices.size()) << budget;
        for (size_t i = 0; i < cut.rectangle.size(); ++i)
            ASSERT_EQ(cut.rectangle[i], i < cut.pixelCount ? 3 : 0xEE) << "budget " << budget << ", pixel " << i;
    }
}
