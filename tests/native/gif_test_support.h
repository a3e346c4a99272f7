// SPDX-License-Identifier: GPL-3.0-or-later
// Test-side GIF helpers: a stream builder, an LZW code packer and encoder, a
// plain stack-based reference decoder, and a target with guard bytes around it.
// None of this uses the decoder under test.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "package/gif_decoder.h"

namespace giftest {

using Bytes = std::vector<uint8_t>;

// The parts of a GIF stream as the packages hold it.
struct GifLayout {
    std::string signature = "GIF89a";
    int screenWidth = 0;
    int screenHeight = 0;
    uint8_t screenPacked = 0xF7;
    Bytes colourTable; // written as given (tests choose 3 x 2^(N+1) bytes to line up)
    Bytes beforeImage; // extensions and anything else before the separator
    int left = 0;
    int top = 0;
    int imageWidth = 0;
    int imageHeight = 0;
    uint8_t imagePacked = 0;
    int minimumCodeSize = 8;
    Bytes data;        // LZW bytes, cut into sub-blocks
    int blockSize = 255;
    bool terminator = true;
    bool trailer = true;
};

inline void putWord(Bytes& out, int value)
{
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

inline Bytes greyTable(int entries)
{
    Bytes table;
    for (int i = 0; i < entries; ++i)
        for (int c = 0; c < 3; ++c)
            table.push_back(uint8_t(i * 255 / std::max(1, entries - 1)));
    return table;
}

inline Bytes buildGif(const GifLayout& layout)
{
    Bytes out(layout.signature.begin(), layout.signature.end());
    putWord(out, layout.screenWidth);
    putWord(out, layout.screenHeight);
    out.push_back(layout.screenPacked);
    out.push_back(0);
    out.push_back(0);
    out.insert(out.end(), layout.colourTable.begin(), layout.colourTable.end());
    out.insert(out.end(), layout.beforeImage.begin(), layout.beforeImage.end());
    out.push_back(0x2C);
    putWord(out, layout.left);
    putWord(out, layout.top);
    putWord(out, layout.imageWidth);
    putWord(out, layout.imageHeight);
    out.push_back(layout.imagePacked);
    out.push_back(uint8_t(layout.minimumCodeSize));
    for (size_t at = 0; at < layout.data.size(); at += size_t(layout.blockSize)) {
        const size_t count = std::min(size_t(layout.blockSize), layout.data.size() - at);
        out.push_back(uint8_t(count));
        out.insert(out.end(), layout.data.begin() + long(at), layout.data.begin() + long(at + count));
    }
    if (layout.terminator)
        out.push_back(0);
    if (layout.trailer)
        out.push_back(0x3B);
    return out;
}

// Packs codes least significant bit first, each as wide as a decoder that
// follows the GIF rules reads it at that point.
inline Bytes packCodes(const std::vector<int>& codes, int minimumCodeSize)
{
    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    int codeSize = minimumCodeSize + 1;
    int nextSlot = clearCode + 2;
    bool afterClear = true;
    Bytes out;
    uint32_t bits = 0;
    int bitCount = 0;
    for (int code : codes) {
        bits |= uint32_t(code & ((1 << codeSize) - 1)) << bitCount;
        bitCount += codeSize;
        while (bitCount >= 8) {
            out.push_back(uint8_t(bits));
            bits >>= 8;
            bitCount -= 8;
        }
        if (code == clearCode) {
            codeSize = minimumCodeSize + 1;
            nextSlot = clearCode + 2;
            afterClear = true;
        } else if (code == endCode) {
            continue;
        } else if (afterClear) {
            afterClear = false;
        } else {
            if (nextSlot < (1 << codeSize))
                ++nextSlot;
            if (nextSlot >= (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
    }
    if (bitCount > 0)
        out.push_back(uint8_t(bits));
    return out;
}

struct LzwOptions {
    bool initialClear = true;
    int clearAfterEntries = 0;   // > 0: a clear code once this many entries were made
    bool deferClear = false;     // keep coding with a full table instead of clearing
    int codesWhileFull = -1;     // with deferClear: codes sent with the full table before a clear (-1: never)
    bool endCode = true;
};

// A plain LZW encoder producing the code sequence (widths come from packCodes).
inline std::vector<int> lzwEncode(const Bytes& indices, int minimumCodeSize, const LzwOptions& options = {})
{
    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    const int firstFree = clearCode + 2;
    std::vector<int> codes;
    std::unordered_map<uint32_t, int> dictionary;
    int next = firstFree;
    int whileFull = 0;
    if (options.initialClear)
        codes.push_back(clearCode);
    int current = -1;
    auto reset = [&] {
        codes.push_back(clearCode);
        dictionary.clear();
        next = firstFree;
        whileFull = 0;
    };
    for (uint8_t index : indices) {
        if (current < 0) {
            current = index;
            continue;
        }
        const uint32_t key = uint32_t(current) << 8 | index;
        const auto found = dictionary.find(key);
        if (found != dictionary.end()) {
            current = found->second;
            continue;
        }
        codes.push_back(current);
        current = index;
        if (next < 4096) {
            dictionary[key] = next++;
            if (options.clearAfterEntries > 0 && next - firstFree >= options.clearAfterEntries)
                reset();
            else if (next == 4096 && !options.deferClear)
                reset();
        } else if (options.codesWhileFull >= 0 && ++whileFull > options.codesWhileFull) {
            reset();
        }
    }
    if (current >= 0)
        codes.push_back(current);
    if (options.endCode)
        codes.push_back(endCode);
    return codes;
}

// What the reference decoder found.
struct ReferenceResult {
    int status = gifOk;      // gifOk, gifNotGif, gifNoImage, gifBadCodeSize or gifDataEnded
    int imageWidth = 0;
    int imageHeight = 0;
    bool interlaced = false;
    Bytes indices;           // every index the data yields, in stream order
    size_t maxStack = 0;
    int clearCodes = 0;      // clear codes read, the leading one included
    bool tableFilled = false; // all 4096 entries were in use at some point
};

// The loader's algorithm written plainly, one byte and one code at a time with
// a string stack: the stream parse, the budget, the sub-block code reader and
// the LZW loop with its clear-code rules. Data that does not begin with a clear
// code is read as if it did, and a code beyond the next free slot is taken as
// that slot.
inline ReferenceResult referenceDecode(const Bytes& stream, uint32_t byteBudget)
{
    ReferenceResult result;
    size_t position = 0;
    uint64_t byteCount = 0;
    auto streamByte = [&]() -> int {
        if (position >= stream.size())
            return -1;
        ++byteCount;
        return stream[position++];
    };
    if (stream.size() < 6 || std::memcmp(stream.data(), "GIF", 3) != 0) {
        result.status = gifNotGif;
        return result;
    }
    position = 6;
    byteCount = 6;
    if (stream.size() < 13) {
        result.status = gifNoImage;
        return result;
    }
    const int tableBits = stream[10] & 7;
    position = 13;
    byteCount = 13;
    for (int i = 0; i < 3 << (tableBits + 1); ++i)
        streamByte();
    for (;;) {
        const int byte = streamByte();
        if (byte < 0) {
            result.status = gifNoImage;
            return result;
        }
        if (byte == 0x2C)
            break;
    }
    int field[4];
    for (int& value : field) {
        const int low = streamByte();
        const int high = streamByte();
        if (low < 0 || high < 0) {
            result.status = gifNoImage;
            return result;
        }
        value = low | high << 8;
    }
    result.imageWidth = field[2];
    result.imageHeight = field[3];
    const int packed = streamByte();
    const int minimumCodeSize = streamByte();
    result.interlaced = packed == 0x40;
    if (minimumCodeSize < 2 || minimumCodeSize > 9) {
        result.status = gifBadCodeSize;
        return result;
    }

    auto nextBudgetByte = [&]() -> int {
        const int byte = streamByte();
        if (byte < 0 || byteCount > byteBudget)
            return -1;
        return byte;
    };
    uint8_t subBlockBuffer[255];
    int readPosition = 0;
    int bytesLeft = 0;
    bool lastBlock = false;
    int currentByte = 0;
    int bitsLeft = 0;
    int codeSize = minimumCodeSize + 1;
    bool ended = false;
    auto refill = [&]() -> bool {
        if (lastBlock)
            return false;
        readPosition = 0;
        const int count = nextBudgetByte();
        if (count <= 0)
            return false;
        bytesLeft = 0;
        for (int i = 0; i < count; ++i) {
            const int byte = nextBudgetByte();
            if (byte < 0) {
                lastBlock = true;
                break;
            }
            subBlockBuffer[bytesLeft++] = uint8_t(byte);
        }
        return bytesLeft > 0;
    };
    auto nextCode = [&]() -> int {
        if (bitsLeft == 0) {
            if (bytesLeft <= 0 && !refill())
                return -1;
            currentByte = subBlockBuffer[readPosition++];
            bitsLeft = 8;
            --bytesLeft;
        }
        int code = currentByte >> (8 - bitsLeft);
        while (codeSize > bitsLeft) {
            if (bytesLeft <= 0 && !refill())
                return -1;
            currentByte = subBlockBuffer[readPosition++];
            code |= currentByte << bitsLeft;
            bitsLeft += 8;
            --bytesLeft;
        }
        bitsLeft -= codeSize;
        return code & ((1 << codeSize) - 1);
    };

    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    const int firstFreeCode = clearCode + 2;
    std::vector<uint16_t> prefixTable(4097, 0);
    std::vector<uint8_t> suffixTable(4097, 0);
    std::vector<uint8_t> decodeStack;
    int topSlot = 1 << codeSize;
    int nextFreeSlot = firstFreeCode;
    int oldCode = 0;
    int firstChar = 0;
    auto afterClear = [&]() -> bool {
        int code;
        do {
            code = nextCode();
            if (code < 0) {
                ended = true;
                return false;
            }
            if (code == clearCode)
                ++result.clearCodes;
        } while (code == clearCode);
        if (code == endCode)
            return false;
        if (code >= nextFreeSlot)
            code = 0;
        oldCode = firstChar = code;
        result.indices.push_back(uint8_t(code));
        return true;
    };
    bool running = afterClear();
    while (running) {
        int code = nextCode();
        if (code < 0) {
            ended = true;
            break;
        }
        if (code == endCode)
            break;
        if (code == clearCode) {
            ++result.clearCodes;
            codeSize = minimumCodeSize + 1;
            nextFreeSlot = firstFreeCode;
            topSlot = 1 << codeSize;
            running = afterClear();
            continue;
        }
        int k = code;
        if (code >= nextFreeSlot) {
            code = nextFreeSlot;
            decodeStack.push_back(uint8_t(firstChar));
            k = oldCode;
        }
        while (k >= firstFreeCode) {
            decodeStack.push_back(suffixTable[size_t(k)]);
            k = prefixTable[size_t(k)];
        }
        decodeStack.push_back(uint8_t(k));
        result.maxStack = std::max(result.maxStack, decodeStack.size());
        if (nextFreeSlot < topSlot) {
            firstChar = k;
            suffixTable[size_t(nextFreeSlot)] = uint8_t(k);
            prefixTable[size_t(nextFreeSlot)] = uint16_t(oldCode);
            oldCode = code;
            ++nextFreeSlot;
        }
        if (nextFreeSlot == 4096)
            result.tableFilled = true;
        if (nextFreeSlot >= topSlot && codeSize < 12) {
            topSlot <<= 1;
            ++codeSize;
        }
        while (!decodeStack.empty()) {
            result.indices.push_back(decodeStack.back());
            decodeStack.pop_back();
        }
    }
    result.status = ended ? gifDataEnded : gifOk;
    return result;
}

// Image rows in the order the data carries them.
inline std::vector<int> rowOrder(int imageHeight, bool interlaced)
{
    std::vector<int> rows;
    if (!interlaced) {
        for (int row = 0; row < imageHeight; ++row)
            rows.push_back(row);
        return rows;
    }
    const int start[4] = {0, 4, 2, 1};
    const int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int row = start[pass]; row < imageHeight; row += step[pass])
            rows.push_back(row);
    return rows;
}

// A target with guard bytes on every side, and room to the right of each row
// (pitch above width) that is guarded too.
struct GuardedTarget {
    static constexpr uint8_t guard = 0xA5;
    static constexpr size_t margin = 64;
    int width;
    int height;
    int pitch;
    Bytes memory;

    GuardedTarget(int width_, int height_, int pitch_, uint8_t fill = 0xEE)
        : width(width_), height(height_), pitch(pitch_),
          memory(margin * 2 + size_t(std::max(0, pitch_)) * size_t(std::max(0, height_)), guard)
    {
        for (int row = 0; row < height; ++row)
            std::fill_n(memory.begin() + long(margin) + long(row) * pitch, width, fill);
    }
    uint8_t* pixels() { return memory.data() + margin; }
    GifTarget target() { return GifTarget{pixels(), pitch, width, height}; }
    uint8_t at(int x, int y) const { return memory[margin + size_t(y) * size_t(pitch) + size_t(x)]; }
    // Whether byte i of memory lies in the width x height rectangle (none
    // does when either side is 0 or less).
    bool inside(size_t i) const
    {
        if (i < margin || width <= 0 || height <= 0)
            return false;
        const size_t offset = i - margin;
        return offset / size_t(pitch) < size_t(height) && offset % size_t(pitch) < size_t(width);
    }
    // True when every byte outside the width x height rectangle still holds the guard.
    bool guardsIntact() const
    {
        for (size_t i = 0; i < memory.size(); ++i)
            if (!inside(i) && memory[i] != guard)
                return false;
        return true;
    }
    // True when every byte of the rectangle still holds `fill`.
    bool untouched(uint8_t fill) const
    {
        for (size_t i = 0; i < memory.size(); ++i)
            if (inside(i) && memory[i] != fill)
                return false;
        return true;
    }
    // The rectangle's rows, one after the other.
    Bytes rectangle() const
    {
        Bytes out;
        for (int row = 0; row < height; ++row)
            out.insert(out.end(), memory.begin() + long(margin) + long(row) * pitch,
                       memory.begin() + long(margin) + long(row) * pitch + width);
        return out;
    }
};

// Places indices as the loader does: image row r at row r of the target,
// interlaced rows in pass order over the image's height, everything outside the
// target dropped.
inline void referencePlace(const ReferenceResult& decoded, GuardedTarget& target)
{
    if (decoded.imageWidth <= 0)
        return;
    size_t at = 0;
    int row = 0;
    std::vector<int> rows = rowOrder(decoded.imageHeight, decoded.interlaced);
    size_t rowIndex = 0;
    while (at < decoded.indices.size()) {
        if (decoded.interlaced) {
            if (rowIndex >= rows.size())
                return;
            row = rows[rowIndex];
        } else {
            row = int(rowIndex);
            if (row >= target.height)
                return;
        }
        for (int column = 0; column < decoded.imageWidth && at < decoded.indices.size(); ++column, ++at) {
            if (row < target.height && column < target.width)
                target.pixels()[size_t(row) * size_t(target.pitch) + size_t(column)] = decoded.indices[at];
        }
        ++rowIndex;
    }
}

struct FastResult {
    int headerStatus = gifOk;
    int status = gifOk;
    GifImage image{};
};

// Runs the decoder under test over `stream` in memory into `target`.
inline FastResult fastDecode(const Bytes& stream, uint32_t byteBudget, GifTarget target, bool withWorkspace = true)
{
    FastResult result;
    GifStream source;
    gifOpenMemory(&source, stream.data(), stream.size());
    result.headerStatus = gifReadImageSize(&source, &result.image);
    if (result.headerStatus != gifOk)
        return result;
    GifWorkspace* workspace = withWorkspace ? gifAllocateWorkspace() : nullptr;
    result.status = gifDecodeImage(&source, &result.image, byteBudget, &target, workspace);
    gifFreeWorkspace(workspace);
    return result;
}

inline Bytes randomIndices(std::mt19937& random, size_t count, int colours)
{
    Bytes out(count);
    std::uniform_int_distribution<int> pick(0, colours - 1);
    for (auto& index : out)
        index = uint8_t(pick(random));
    return out;
}

// Smooth areas with a little noise, like a dithered photo.
inline Bytes photoLikeIndices(std::mt19937& random, int width, int height, int colours)
{
    Bytes out(size_t(width) * size_t(height));
    std::uniform_int_distribution<int> noise(-2, 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int base = (x * 3 + y * 2) / 7 + ((x / 16 + y / 16) % 3) * 9;
            out[size_t(y) * size_t(width) + size_t(x)] = uint8_t(std::clamp(base % colours + noise(random), 0, colours - 1));
        }
    return out;
}

// A GIF of one width x height image of LZW `codes` and a grey global table of
// the size `screenPacked` gives (no local table).
inline Bytes gifOfCodes(const std::vector<int>& codes, int width, int height, int minimumCodeSize,
                        uint8_t screenPacked, uint8_t imagePacked = 0x00)
{
    GifLayout layout;
    layout.screenWidth = width;
    layout.screenHeight = height;
    layout.screenPacked = screenPacked;
    layout.colourTable = greyTable(2 << (screenPacked & 7));
    layout.imageWidth = width;
    layout.imageHeight = height;
    layout.imagePacked = imagePacked;
    layout.minimumCodeSize = minimumCodeSize;
    layout.data = packCodes(codes, minimumCodeSize);
    return buildGif(layout);
}

// A GIF of `indices` laid out as the packages hold it (no local table).
inline Bytes gifOf(const Bytes& indices, int width, int height, int minimumCodeSize, bool interlaced = false,
                   const LzwOptions& options = {})
{
    Bytes ordered;
    if (interlaced) {
        for (int row : rowOrder(height, true))
            ordered.insert(ordered.end(), indices.begin() + long(row) * width, indices.begin() + long(row + 1) * width);
    } else {
        ordered = indices;
    }
    return gifOfCodes(lzwEncode(ordered, minimumCodeSize, options), width, height, minimumCodeSize, 0xF7,
                      interlaced ? 0x40 : 0x00);
}

}  // namespace giftest
