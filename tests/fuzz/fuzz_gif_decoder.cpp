// SPDX-License-Identifier: GPL-3.0-or-later
// The picture decoder on arbitrary bytes, into a target whose size and pitch
// the input chooses, with guard bytes on every side of it and between its rows.
//
// Input: 12 bytes of settings, then the stream.
//   0-1   target width, signed 16-bit (beyond +-1024 folded back into it)
//   2-3   target height, likewise
//   4     bytes between the end of a row and the start of the next (pitch slack)
//   5     bit 0: byte budget from bytes 6-9 (otherwise no budget at all)
//   6-9   byte budget, unsigned 32-bit
//   10    size of the fill source's buffer - 1 (1 to 256 bytes)
//   11    most bytes one fill call hands over (0: as many as fit)
//
// Each input is decoded three ways that must agree byte for byte: from memory,
// through a small-buffer fill source that returns short reads, and from memory
// cut off where the budget ends. Short streams are also checked against the
// plain decoding of the test support, placed in its guarded target as the
// core tests place it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "../native/gif_test_support.h"
#include "package/gif_decoder.h"
#include "fuzz_check.h"

namespace {

constexpr size_t settingsSize = 12;
constexpr int largestSide = 1024;
constexpr uint8_t blankByte = 0x3C;
// The reference keeps every index of the stream: only short streams go there.
constexpr size_t longestReferenceStream = 1024;

int foldSide(int value)
{
    return value > largestSide || value < -largestSide ? value % (largestSide + 1) : value;
}

using Guarded = giftest::GuardedTarget;

struct Source {
    const uint8_t* bytes;
    size_t size;
    size_t at;
    size_t mostPerCall;
};

size_t fillFrom(void* context, uint8_t* buffer, size_t capacity)
{
    auto* source = static_cast<Source*>(context);
    size_t count = std::min(capacity, source->size - source->at);
    if (source->mostPerCall)
        count = std::min(count, source->mostPerCall);
    std::memcpy(buffer, source->bytes + source->at, count);
    source->at += count;
    return count;
}

struct Outcome {
    int headerStatus = -1;
    int status = -1;
    GifImage image{};
    uint64_t headerBytes = 0; // bytes the header phase consumed
};

Outcome decode(GifStream* stream, uint32_t budget, Guarded& target, GifWorkspace* workspace)
{
    Outcome outcome;
    outcome.headerStatus = gifReadImageSize(stream, &outcome.image);
    CHECK(outcome.headerStatus == gifOk || outcome.headerStatus == gifNotGif || outcome.headerStatus == gifNoImage);
    if (outcome.headerStatus != gifOk) {
        CHECK(target.untouched(blankByte));
        return outcome;
    }
    CHECK(outcome.image.imageWidth >= 0 && outcome.image.imageWidth <= 65535);
    CHECK(outcome.image.imageHeight >= 0 && outcome.image.imageHeight <= 65535);
    outcome.headerBytes = stream->byteCount;
    const GifTarget where = target.target();
    outcome.status = gifDecodeImage(stream, &outcome.image, budget, &where, workspace);
    CHECK(outcome.status == gifOk || outcome.status == gifBadCodeSize || outcome.status == gifDataEnded);
    if (outcome.status == gifBadCodeSize) {
        CHECK(outcome.image.minimumCodeSize < 2 || outcome.image.minimumCodeSize > 9);
        CHECK(target.untouched(blankByte));
    }
    CHECK(target.guardsIntact());
    return outcome;
}

bool sameOutcome(const Outcome& a, const Outcome& b)
{
    return a.headerStatus == b.headerStatus && a.status == b.status && a.image.imageWidth == b.image.imageWidth &&
           a.image.imageHeight == b.image.imageHeight && a.image.interlaced == b.image.interlaced &&
           a.image.minimumCodeSize == b.image.minimumCodeSize && a.image.pixelCount == b.image.pixelCount;
}

// Whether the decoder may have stopped early because the target was full.
bool targetCanFill(const giftest::ReferenceResult& reference, int width, int height)
{
    const int visible = std::min(reference.imageWidth, width);
    if (visible <= 0 || height <= 0 || (reference.interlaced && reference.imageHeight <= 0))
        return true;
    const uint64_t rows = reference.interlaced ? uint64_t(reference.imageHeight) : uint64_t(height);
    return reference.indices.size() >= rows * uint64_t(reference.imageWidth);
}

uint32_t read32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < settingsSize)
        return 0;
    const int width = foldSide(int16_t(data[0] | data[1] << 8));
    const int height = foldSide(int16_t(data[2] | data[3] << 8));
    const int pitch = std::max(0, width) + data[4];
    const uint32_t budget = (data[5] & 1) ? read32(data + 6) : 0xFFFFFFFFu;
    const size_t bufferSize = size_t(data[10]) + 1;
    const size_t mostPerCall = data[11];
    const uint8_t* stream = data + settingsSize;
    const size_t length = size - settingsSize;

    GifWorkspace* workspace = gifAllocateWorkspace();
    CHECK(workspace);

    Guarded fromMemory(width, height, pitch, blankByte);
    GifStream memoryStream;
    gifOpenMemory(&memoryStream, stream, length);
    const Outcome memoryOutcome = decode(&memoryStream, budget, fromMemory, workspace);
    CHECK(memoryStream.byteCount <= length);

    Guarded fromSource(width, height, pitch, blankByte);
    std::vector<uint8_t> buffer(bufferSize);
    Source source{stream, length, 0, mostPerCall};
    GifStream sourceStream;
    gifOpenSource(&sourceStream, fillFrom, &source, buffer.data(), buffer.size());
    const Outcome sourceOutcome = decode(&sourceStream, budget, fromSource, workspace);
    CHECK(sameOutcome(memoryOutcome, sourceOutcome));
    CHECK(memoryStream.byteCount == sourceStream.byteCount);
    CHECK(fromMemory.memory == fromSource.memory);

    // The data phase may use no byte at or beyond the budget: the stream cut
    // off there decodes the same. Its packed byte and code size are read
    // outside the budget, as the header is.
    if (memoryOutcome.headerStatus == gifOk) {
        const uint64_t cut = std::max<uint64_t>(budget, memoryOutcome.headerBytes + 2);
        if (cut < length) {
            Guarded fromCut(width, height, pitch, blankByte);
            GifStream cutStream;
            gifOpenMemory(&cutStream, stream, size_t(cut));
            const Outcome cutOutcome = decode(&cutStream, budget, fromCut, workspace);
            CHECK(sameOutcome(cutOutcome, memoryOutcome));
            CHECK(fromCut.memory == fromMemory.memory);
        }
    }
    gifFreeWorkspace(workspace);

    if (length <= longestReferenceStream) {
        const giftest::Bytes bytes(stream, stream + length);
        const giftest::ReferenceResult reference = giftest::referenceDecode(bytes, budget);
        CHECK(reference.maxStack <= 4097);
        if (memoryOutcome.headerStatus != gifOk) {
            CHECK(reference.status == memoryOutcome.headerStatus);
        } else if (memoryOutcome.status == gifBadCodeSize) {
            CHECK(reference.status == gifBadCodeSize);
        } else {
            Guarded placed(width, height, pitch, blankByte);
            giftest::referencePlace(reference, placed);
            CHECK(placed.memory == fromMemory.memory);
            if (!targetCanFill(reference, width, height)) {
                CHECK(reference.status == memoryOutcome.status);
                CHECK(reference.indices.size() == memoryOutcome.image.pixelCount);
            }
        }
    }
    return 0;
}
