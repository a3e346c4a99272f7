// SPDX-License-Identifier: MIT
#include "package/gif_decoder.h"

#include <stdlib.h>
#include <string.h>

namespace {

constexpr int imageSeparator = 0x2C;
constexpr int interlacedPacked = 0x40;
constexpr int maxCodeSize = 12;

// Pass 1 starts at row 0; passes 2 to 4 start at these rows.
const uint8_t passStartTable[4] = {8, 4, 2, 1};
// Row step of passes 1 to 4 (index 0 unused).
const uint8_t passStep[5] = {0, 8, 8, 4, 2};

bool fillStream(GifStream* stream)
{
    if (!stream->fill)
        return false;
    const size_t got = stream->fill(stream->context, stream->buffer, stream->bufferSize);
    if (got == 0 || got > stream->bufferSize)
        return false;
    stream->next = stream->buffer;
    stream->end = stream->buffer + got;
    return true;
}

// The next byte of the stream, or -1 once it has ended.
int nextStreamByte(GifStream* stream)
{
    if (stream->next == stream->end && !fillStream(stream))
        return -1;
    ++stream->byteCount;
    return *stream->next++;
}

// Copies up to `count` bytes (or skips them when `destination` is null);
// returns how many the stream still held.
size_t takeStreamBytes(GifStream* stream, uint8_t* destination, size_t count)
{
    size_t taken = 0;
    while (taken < count) {
        if (stream->next == stream->end && !fillStream(stream))
            break;
        size_t run = size_t(stream->end - stream->next);
        if (run > count - taken)
            run = count - taken;
        if (destination)
            memcpy(destination + taken, stream->next, run);
        stream->next += run;
        taken += run;
    }
    stream->byteCount += taken;
    return taken;
}

// Low byte first; -1 when the stream ends within the word.
int readWord16(GifStream* stream)
{
    uint8_t bytes[2];
    if (takeStreamBytes(stream, bytes, 2) != 2)
        return -1;
    return bytes[0] | bytes[1] << 8;
}

// The LZW data as the sub-blocks carry it, within the byte budget.
struct DataReader {
    GifStream* stream;
    uint64_t allowance; // bytes the budget still lets through
    int bytesLeft;      // bytes left in the current sub-block
    bool ended;         // a block terminator, the end of the stream or of the budget was met
};

// The next byte within the budget, or -1.
int nextBudgetByte(DataReader* reader)
{
    if (reader->allowance == 0)
        return -1;
    const int byte = nextStreamByte(reader->stream);
    if (byte >= 0)
        --reader->allowance;
    return byte;
}

// Moves the unread code bytes [next, end) to the front of `codeBytes` and
// appends sub-block data behind them; returns the new end.
uint8_t* refillCodeBytes(DataReader* reader, uint8_t* codeBytes, const uint8_t* next, const uint8_t* end)
{
    const size_t kept = size_t(end - next);
    memmove(codeBytes, next, kept);
    uint8_t* fill = codeBytes + kept;
    uint8_t* const limit = codeBytes + gifCodeBufferSize;
    while (fill < limit && !reader->ended) {
        if (reader->bytesLeft == 0) {
            const int count = nextBudgetByte(reader);
            if (count <= 0) {
                reader->ended = true;
                break;
            }
            reader->bytesLeft = count;
        }
        size_t wanted = size_t(limit - fill);
        if (wanted > size_t(reader->bytesLeft))
            wanted = size_t(reader->bytesLeft);
        if (wanted > reader->allowance)
            wanted = size_t(reader->allowance);
        const size_t got = takeStreamBytes(reader->stream, fill, wanted);
        fill += got;
        reader->allowance -= got;
        reader->bytesLeft -= int(got);
        if (got == 0 || (reader->bytesLeft > 0 && fill < limit))
            reader->ended = true;
    }
    return fill;
}

// Places decoded indices row by row into the target, in the image's row order.
struct Placement {
    uint8_t* pixels;
    ptrdiff_t pitch;
    int targetHeight;
    int imageWidth;
    int imageHeight;
    int visibleWidth; // columns of each row that lie inside the target
    int interlaced;
    int passIndex;    // 1 to 4
    int currentRow;   // image row being filled
    int columnCount;
    uint8_t* row;     // where that row lies in the target; null when it lies outside
    bool finished;    // no later pixel can land in the target
};

void aimAtRow(Placement* placement)
{
    placement->row =
        placement->currentRow < placement->targetHeight ? placement->pixels + placement->currentRow * placement->pitch : nullptr;
}

void startPlacement(Placement* placement, const GifTarget* target, const GifImage* image)
{
    placement->pixels = target->pixels;
    placement->pitch = target->pitch;
    placement->targetHeight = target->height;
    placement->imageWidth = image->imageWidth;
    placement->imageHeight = image->imageHeight;
    placement->visibleWidth = image->imageWidth < target->width ? image->imageWidth : target->width;
    placement->interlaced = image->interlaced;
    placement->passIndex = 1;
    placement->currentRow = 0;
    placement->columnCount = 0;
    placement->finished = !target->pixels || placement->visibleWidth <= 0 || target->height <= 0 ||
                          (image->interlaced && image->imageHeight <= 0);
    aimAtRow(placement);
}

// Moves to the next row of the image; passes without rows are skipped, and the
// picture is complete once pass 4 has run out.
void completeRow(Placement* placement)
{
    placement->columnCount = 0;
    if (!placement->interlaced) {
        ++placement->currentRow;
        if (placement->currentRow >= placement->targetHeight)
            placement->finished = true;
    } else {
        placement->currentRow += passStep[placement->passIndex];
        while (placement->currentRow >= placement->imageHeight) {
            if (placement->passIndex >= 4) {
                placement->finished = true;
                return;
            }
            placement->currentRow = passStartTable[placement->passIndex];
            ++placement->passIndex;
        }
    }
    aimAtRow(placement);
}

void placePixels(Placement* placement, const uint8_t* run, size_t count)
{
    while (count > 0 && !placement->finished) {
        const size_t room = size_t(placement->imageWidth - placement->columnCount);
        const size_t take = count < room ? count : room;
        if (placement->row && placement->columnCount < placement->visibleWidth) {
            const size_t visible = size_t(placement->visibleWidth - placement->columnCount);
            memcpy(placement->row + placement->columnCount, run, take < visible ? take : visible);
        }
        placement->columnCount += int(take);
        run += take;
        count -= take;
        if (placement->columnCount == placement->imageWidth)
            completeRow(placement);
    }
}

inline uint64_t load64LittleEndian(const uint8_t* bytes)
{
    uint64_t value;
    memcpy(&value, bytes, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap64(value);
#endif
    return value;
}

// A string's chunk is moved as one 64-bit value in memory order: its first
// byte is the value's lowest on a little-endian machine, its highest on a
// big-endian one.
inline uint64_t chunkOfByteAt(uint8_t byte, unsigned place)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return uint64_t(byte) << (8 * (7 - place));
#else
    return uint64_t(byte) << (8 * place);
#endif
}

inline uint8_t firstByteOfChunk(uint64_t chunk)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return uint8_t(chunk >> 56);
#else
    return uint8_t(chunk);
#endif
}

// The bits of the gathered code bytes not yet taken as codes. The decode loops
// keep it in locals and hand it to the refill by value, so that it never has to
// live in memory between codes.
struct CodeBits {
    const uint8_t* next;
    const uint8_t* end;
    uint64_t buffer;
    int count;
};

// Tops the bit buffer up to at least 57 bits from 8 gathered bytes.
inline void topUpCodeBits(CodeBits* bits)
{
    bits->buffer |= load64LittleEndian(bits->next) << bits->count;
    bits->next += (63 - bits->count) >> 3;
    bits->count |= 56;
}

// Tops the bit buffer up when fewer than 8 gathered bytes are left, gathering
// more first; near the end of the data it takes what is there.
CodeBits refillCodeBits(CodeBits bits, DataReader* reader, uint8_t* codeBytes)
{
    if (bits.end - bits.next < 8 && !reader->ended) {
        bits.end = refillCodeBytes(reader, codeBytes, bits.next, bits.end);
        bits.next = codeBytes;
    }
    if (bits.end - bits.next >= 8) {
        topUpCodeBits(&bits);
    } else {
        while (bits.count <= 56 && bits.next < bits.end) {
            bits.buffer |= uint64_t(*bits.next++) << bits.count;
            bits.count += 8;
        }
    }
    return bits;
}

// The next code of `codeSize` bits (packed least significant bit first), or -1
// when the data has ended.
inline int nextCode(CodeBits* bits, DataReader* reader, uint8_t* codeBytes, int codeSize)
{
    if (bits->count < codeSize) {
        if (bits->end - bits->next >= 8)
            topUpCodeBits(bits);
        else if ((*bits = refillCodeBits(*bits, reader, codeBytes)).count < codeSize)
            return -1;
    }
    const int code = int(bits->buffer & ((uint32_t(1) << codeSize) - 1));
    bits->buffer >>= codeSize;
    bits->count -= codeSize;
    return code;
}

// A string is at most 4096 bytes long: each entry is one byte longer than an
// older one, and the oldest are the one-byte roots. The masks keep every length
// and every table index within bounds even so.
constexpr int codeLimitMask = gifMaxCodes - 1;
constexpr uint32_t lengthBits = 0xFFFF;

// Writes the string of `code` at `out`, whose last byte is at `out + last`,
// last chunk first, and returns its first byte. Each step stores a whole 8-byte
// chunk; the bytes past the string's end land in the run's slack and are
// overwritten by the next string.
inline uint8_t writeString(const GifWorkspace* workspace, unsigned code, unsigned last, uint8_t* out)
{
    uint8_t* chunk = out + (last & ~7);
    for (;;) {
        memcpy(chunk, workspace->suffixTable[code], 8);
        if (chunk == out)
            return workspace->suffixTable[code][0];
        code = (workspace->linkTable[code] >> 16) & codeLimitMask;
        chunk -= 8;
    }
}

// Assigns `slot` the string of `prefix` followed by `byte`. A chunk is begun
// as the byte alone and grows only by bytes placed past its end, so every chunk
// is zero past its last byte, and the byte can be or-ed in; while it grows, the
// link is the prefix's own with the length one more.
inline void addEntry(GifWorkspace* workspace, unsigned slot, unsigned prefix, uint8_t byte)
{
    uint32_t link = workspace->linkTable[prefix] + 1;
    const unsigned place = link & 7;
    uint64_t chunk = chunkOfByteAt(byte, place);
    if (place) {
        uint64_t prefixChunk;
        memcpy(&prefixChunk, workspace->suffixTable[prefix], 8);
        chunk |= prefixChunk;
    } else {
        link = prefix << 16 | (link & lengthBits);
    }
    workspace->linkTable[slot] = link;
    memcpy(workspace->suffixTable[slot], &chunk, 8);
}

// Copies `count` (at least 1) bytes between places that do not overlap, writing
// no byte past the last: the bytes after a string are pixels still to come, or
// pixels that must stay as they were when the data ends first.
inline void copyString(uint8_t* to, const uint8_t* from, size_t count)
{
    if (count <= 16) {
        if (count >= 8) {
            uint64_t head, tail;
            memcpy(&head, from, 8);
            memcpy(&tail, from + count - 8, 8);
            memcpy(to, &head, 8);
            memcpy(to + count - 8, &tail, 8);
        } else if (count >= 4) {
            uint32_t head, tail;
            memcpy(&head, from, 4);
            memcpy(&tail, from + count - 4, 4);
            memcpy(to, &head, 4);
            memcpy(to + count - 4, &tail, 4);
        } else {
            const uint8_t first = from[0], middle = from[count >> 1], last = from[count - 1];
            to[0] = first;
            to[count >> 1] = middle;
            to[count - 1] = last;
        }
    } else {
        memcpy(to, from, count);
    }
}

// The decode of a picture of long strings, when the target's rows follow each
// other without a gap and show whole image rows: pixel n of the image lies at
// pixels + n, so every string but a root has been written there once already,
// and is copied from there instead of being gathered along its chain. (For
// short strings the chain is quicker: one chunk, read from a small table.)
//
// Decoding stops at the same code as through the run buffer (its flushes are
// counted, not made), so that the status, the pixel count and the bytes read
// are the same either way.
int decodeIntoRows(CodeBits codeBits, DataReader* reader, GifWorkspace* workspace, int minimumCodeSize,
                   uint8_t* pixels, size_t capacity, uint64_t* pixelCount)
{
    // A copy of its own, which the stores into the pixels cannot alias.
    CodeBits* const bits = &codeBits;
    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    const int firstFreeCode = clearCode + 2;
    uint32_t* const linkTable = workspace->linkTable;
    uint32_t* const positionTable = workspace->positionTable;
    uint8_t* const codeBytes = workspace->codeBytes;

    size_t at = 0;      // indices decoded; those below `capacity` are in place
    size_t flushed = 0; // indices the run buffer would have placed
    size_t previousAt = 0;
    size_t previousLength = 1;
    int codeSize = minimumCodeSize + 1;
    int topSlot = 1 << codeSize;
    int nextFreeSlot = firstFreeCode;
    bool afterClear = true;
    int status = gifOk;

    while (flushed < capacity) {
        int code = nextCode(bits, reader, codeBytes, codeSize);
        if (code < 0) {
            status = gifDataEnded;
            break;
        }
        if (code == clearCode) {
            codeSize = minimumCodeSize + 1;
            topSlot = 1 << codeSize;
            nextFreeSlot = firstFreeCode;
            afterClear = true;
            continue;
        }
        if (code == endCode)
            break;
        if (at - flushed + gifMaxCodes > size_t(gifPixelRunSize))
            flushed = at;
        if (afterClear) {
            // A code beyond the roots cannot follow a clear code: it is taken as index 0.
            if (code >= nextFreeSlot)
                code = 0;
            if (at < capacity)
                pixels[at] = uint8_t(code);
            previousAt = at;
            previousLength = 1;
            ++at;
            afterClear = false;
            continue;
        }
        size_t length;
        if (code < nextFreeSlot) {
            length = size_t(linkTable[code] & lengthBits) + 1;
            if (at + length <= capacity) {
                if (code < clearCode)
                    pixels[at] = uint8_t(code);
                else
                    copyString(pixels + at, pixels + positionTable[code], length);
            } else if (at < capacity) {
                memcpy(pixels + at, pixels + positionTable[code], capacity - at);
            }
            if (nextFreeSlot < topSlot) {
                positionTable[nextFreeSlot] = uint32_t(previousAt);
                linkTable[nextFreeSlot] = uint32_t(previousLength);
                ++nextFreeSlot;
            }
        } else {
            // The slot being defined (or, from corrupt data, a later one): the
            // previous string followed by its own first byte, which lies just
            // before this string.
            positionTable[nextFreeSlot] = uint32_t(previousAt);
            linkTable[nextFreeSlot] = uint32_t(previousLength);
            ++nextFreeSlot;
            length = previousLength + 1;
            if (at + length <= capacity) {
                copyString(pixels + at, pixels + previousAt, previousLength);
                pixels[at + previousLength] = pixels[previousAt];
            } else if (at < capacity) {
                memcpy(pixels + at, pixels + previousAt, capacity - at);
            }
        }
        previousAt = at;
        previousLength = length;
        at += length;
        if (nextFreeSlot >= topSlot && codeSize < maxCodeSize) {
            topSlot <<= 1;
            ++codeSize;
        }
    }
    *pixelCount = at;
    return status;
}

// Places the run of decoded pixels and returns where the next run starts.
inline uint8_t* flushRun(Placement* placement, uint8_t* runStart, const uint8_t* out, uint64_t* flushed)
{
    placePixels(placement, runStart, size_t(out - runStart));
    *flushed += uint64_t(out - runStart);
    return runStart;
}

// The decode of any picture into any target: strings are written into a run of
// pixels, and the run is placed row by row into the target when it fills.
//
// Codes that are not strings are marked in the length half of the link table (no
// string is that long), so that the one look-up every code needs also tells them apart: the
// clear and end codes, and every slot from the next free one on.
constexpr uint16_t clearCodeMark = 0x8000;
constexpr uint16_t endCodeMark = 0x8001;
constexpr uint8_t undefinedCodeMarkByte = 0x80;
constexpr uint16_t undefinedCodeMark = undefinedCodeMarkByte * 0x101;

int decodeThroughRun(CodeBits bits, DataReader* reader, GifWorkspace* workspace, int minimumCodeSize,
                     Placement* placement, uint64_t* pixelCount)
{
    const int clearCode = 1 << minimumCodeSize;
    const unsigned firstFreeCode = unsigned(clearCode) + 2;
    uint8_t* const codeBytes = workspace->codeBytes;
    uint8_t* const runStart = workspace->pixelRun;
    // A string is at most gifMaxCodes bytes, and is written whole before the next check.
    const uint8_t* const flushPoint = runStart + gifPixelRunSize - gifMaxCodes;
    uint8_t* out = runStart;
    uint64_t flushed = 0;
    bool cleared = true; // data that does not begin with a clear code is read as if it did
    int status = gifOk;
    workspace->linkTable[clearCode] = clearCodeMark;
    workspace->linkTable[clearCode + 1] = endCodeMark;
    // Each clear code marks again only the slots filled since the last one.
    unsigned nextFreeSlot = gifMaxCodes;

    while (cleared && !placement->finished) {
        cleared = false;
        if (nextFreeSlot > firstFreeCode)
            memset(workspace->linkTable + firstFreeCode, undefinedCodeMarkByte,
                   (nextFreeSlot - firstFreeCode) * sizeof *workspace->linkTable);
        nextFreeSlot = firstFreeCode;
        int codeSize = minimumCodeSize + 1;
        uint32_t codeMask = (uint32_t(1) << codeSize) - 1; // one below the first slot past this size

        // The first code after a clear code adds no entry, and one beyond the
        // roots cannot follow it: it is taken as index 0.
        const int firstCode = nextCode(&bits, reader, codeBytes, codeSize);
        if (firstCode < 0) {
            status = gifDataEnded;
            break;
        }
        if (firstCode == clearCode) {
            cleared = true;
            continue;
        }
        if (firstCode == clearCode + 1)
            break;
        if (out > flushPoint)
            out = flushRun(placement, runStart, out, &flushed);
        unsigned previous = unsigned(firstCode) < nextFreeSlot ? unsigned(firstCode) : 0;
        *out++ = uint8_t(previous);

        while (!placement->finished) {
            // nextCode's reading, written out with the mask kept: through
            // nextCode the bits stay behind a pointer, and the decode takes
            // an eighth longer.
            if (bits.count < codeSize) {
                if (bits.end - bits.next >= 8) {
                    topUpCodeBits(&bits);
                } else {
                    bits = refillCodeBits(bits, reader, codeBytes);
                    if (bits.count < codeSize) {
                        status = gifDataEnded;
                        break;
                    }
                }
            }
            const unsigned code = unsigned(bits.buffer) & codeMask;
            bits.buffer >>= codeSize;
            bits.count -= codeSize;

            unsigned last = workspace->linkTable[code] & lengthBits;
            uint8_t first;
            if (last < 8) {
                if (out > flushPoint)
                    out = flushRun(placement, runStart, out, &flushed);
                uint64_t chunk;
                memcpy(&chunk, workspace->suffixTable[code], 8);
                memcpy(out, &chunk, 8);
                first = firstByteOfChunk(chunk);
            } else if (last < clearCodeMark) {
                if (out > flushPoint)
                    out = flushRun(placement, runStart, out, &flushed);
                last &= codeLimitMask;
                first = writeString(workspace, code, last, out);
            } else if (last != undefinedCodeMark) {
                cleared = last == clearCodeMark;
                break;
            } else {
                // The code being defined: the previous string followed by its
                // own first byte. A code beyond it can only come from corrupt
                // data and is read the same way, so that every chain stays
                // within the table.
                if (out > flushPoint)
                    out = flushRun(placement, runStart, out, &flushed);
                last = (workspace->linkTable[previous] & lengthBits) + 1;
                first = writeString(workspace, previous, last - 1, out);
                out[last] = first;
                out += last + 1;
                addEntry(workspace, nextFreeSlot, previous, first);
                previous = nextFreeSlot++;
                if (nextFreeSlot > codeMask && codeSize < maxCodeSize) {
                    ++codeSize;
                    codeMask = codeMask * 2 + 1;
                }
                continue;
            }
            out += last + 1;
            // With the table full, entries are no longer added, and the string
            // an entry would extend is not needed until the next clear code.
            if (nextFreeSlot <= codeMask) {
                addEntry(workspace, nextFreeSlot, previous, first);
                previous = code;
                if (++nextFreeSlot > codeMask && codeSize < maxCodeSize) {
                    ++codeSize;
                    codeMask = codeMask * 2 + 1;
                }
            }
        }
    }
    placePixels(placement, runStart, size_t(out - runStart));
    *pixelCount = flushed + uint64_t(out - runStart);
    return status;
}

}  // namespace

void gifOpenMemory(GifStream* stream, const uint8_t* bytes, size_t size)
{
    stream->next = bytes;
    stream->end = bytes + size;
    stream->fill = nullptr;
    stream->context = nullptr;
    stream->buffer = nullptr;
    stream->bufferSize = 0;
    stream->byteCount = 0;
}

void gifOpenSource(GifStream* stream, GifFillFunction fill, void* context, uint8_t* buffer, size_t bufferSize)
{
    stream->next = buffer;
    stream->end = buffer;
    stream->fill = bufferSize ? fill : nullptr;
    stream->context = context;
    stream->buffer = buffer;
    stream->bufferSize = bufferSize;
    stream->byteCount = 0;
}

GifWorkspace* gifAllocateWorkspace()
{
    return static_cast<GifWorkspace*>(malloc(sizeof(GifWorkspace)));
}

void gifFreeWorkspace(GifWorkspace* workspace)
{
    free(workspace);
}

int hasGifSignature(const uint8_t* bytes, size_t size)
{
    return size >= 3 && bytes[0] == 'G' && bytes[1] == 'I' && bytes[2] == 'F';
}

int gifReadImageSize(GifStream* stream, GifImage* image)
{
    uint8_t header[7];
    if (takeStreamBytes(stream, header, 6) != 6 || !hasGifSignature(header, 6))
        return gifNotGif;
    if (takeStreamBytes(stream, header, 7) != 7)
        return gifNoImage;
    const int tableBits = header[4] & 7;
    takeStreamBytes(stream, nullptr, size_t(3) << (tableBits + 1));
    // Extensions are not parsed: the first 0x2C after the colour table is the separator.
    for (;;) {
        const int byte = nextStreamByte(stream);
        if (byte < 0)
            return gifNoImage;
        if (byte == imageSeparator)
            break;
    }
    if (takeStreamBytes(stream, nullptr, 4) != 4)
        return gifNoImage;
    const int width = readWord16(stream);
    const int height = readWord16(stream);
    if (width < 0 || height < 0)
        return gifNoImage;
    image->imageWidth = width;
    image->imageHeight = height;
    image->interlaced = 0;
    image->minimumCodeSize = 0;
    image->pixelCount = 0;
    return gifOk;
}

int gifDecodeImage(GifStream* stream, GifImage* image, uint32_t byteBudget, const GifTarget* target,
                   GifWorkspace* workspace)
{
    const int packed = nextStreamByte(stream);
    const int minimumCodeSize = nextStreamByte(stream);
    image->interlaced = packed == interlacedPacked;
    image->minimumCodeSize = minimumCodeSize;
    image->pixelCount = 0;
    if (minimumCodeSize < 2 || minimumCodeSize > 9)
        return gifBadCodeSize;
    if (!workspace)
        return gifOutOfMemory;

    // Only the roots are set up: a later slot is read only once an entry has
    // been written to it, and every chain read is masked to the table even so.
    const int clearCode = 1 << minimumCodeSize;
    for (int root = 0; root < clearCode; ++root) {
        const uint64_t chunk = chunkOfByteAt(uint8_t(root), 0);
        workspace->linkTable[root] = 0;
        memcpy(workspace->suffixTable[root], &chunk, 8);
    }

    Placement placement;
    startPlacement(&placement, target, image);
    DataReader reader;
    reader.stream = stream;
    reader.allowance = byteBudget > stream->byteCount ? byteBudget - stream->byteCount : 0;
    reader.bytesLeft = 0;
    reader.ended = false;

    CodeBits bits;
    bits.next = workspace->codeBytes;
    bits.end = workspace->codeBytes;
    bits.buffer = 0;
    bits.count = 0;

    // Long strings mean few data bytes per pixel: under 1 in 16, strings
    // average well over 16 pixels. Pixel counts, up to a run past the target,
    // stay within size_t and the 32-bit positions.
    const uint64_t capacity = uint64_t(target->height > 0 ? target->height : 0) * uint64_t(image->imageWidth);
    if (!image->interlaced && target->pixels && image->imageWidth > 0 && target->width >= image->imageWidth &&
        target->pitch == image->imageWidth && capacity > 0 && capacity <= 0xFFFF0000u && capacity <= SIZE_MAX / 2 &&
        uint64_t(byteBudget) * 16 < capacity)
        return decodeIntoRows(bits, &reader, workspace, minimumCodeSize, target->pixels, size_t(capacity),
                              &image->pixelCount);

    return decodeThroughRun(bits, &reader, workspace, minimumCodeSize, &placement, &image->pixelCount);
}
