// SPDX-License-Identifier: MIT
// The picture decoder: the one GIF image of a package, decoded from any byte
// source into any rectangle of 8-bit pixels (a locked surface, a buffer in the
// tool or in a test).
//
// It reads the subset of GIF the packages use: the header, the logical screen
// descriptor, a global colour table of 3 x 2^(N+1) bytes (skipped, N being the
// low three bits of the screen's packed byte), then every byte up to the first
// 0x2C, taken as the image separator, and the first image's LZW data. Decoding
// runs in two phases because the saver locks its surface between them: first
// the stream up to the image's width and height, then the rest.
//
// Every bound is checked: nothing is written outside the target rectangle,
// whatever the stream holds; no byte at or beyond the byte budget is used; every
// decode ends, at the latest when the stream does.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Puts up to `capacity` bytes of the stream into `buffer` and returns how many
// it put there; 0 means the stream has ended.
typedef size_t (*GifFillFunction)(void* context, uint8_t* buffer, size_t capacity);

// The stream being read, with the number of bytes taken from it so far.
struct GifStream {
    const uint8_t* next;  // next byte in hand
    const uint8_t* end;   // end of the bytes in hand
    GifFillFunction fill; // null for a stream held in memory
    void* context;
    uint8_t* buffer;
    size_t bufferSize;
    uint64_t byteCount;   // bytes consumed since the stream's first byte
};

// A stream held whole in memory.
void gifOpenMemory(GifStream* stream, const uint8_t* bytes, size_t size);

// A stream read through `buffer` (at least 1 byte) by `fill`.
void gifOpenSource(GifStream* stream, GifFillFunction fill, void* context, uint8_t* buffer, size_t bufferSize);

// 1 when `bytes` start with a GIF's signature, "GIF" (its version is not
// checked: old encoders wrote other ones).
int hasGifSignature(const uint8_t* bytes, size_t size);

// How a phase ended.
enum GifStatus {
    gifOk = 0,           // header phase: image size read; decode: the end code was reached,
                         // or every pixel the target can show has been written
    gifNotGif = 1,       // the stream does not start with "GIF" (or holds fewer than 6 bytes)
    gifNoImage = 2,      // the stream ends before the image separator and the image's size
    gifBadCodeSize = 3,  // the LZW minimum code size is missing or outside 2 to 9
    gifOutOfMemory = 4,  // no workspace: nothing decoded
    gifDataEnded = 5,    // the data ended before the end code (block terminator, end of the
                         // stream or of the byte budget); the pixels decoded so far are kept
};

// What the phases learn about the image.
struct GifImage {
    int imageWidth;      // from the image descriptor (0 to 65535)
    int imageHeight;     // from the image descriptor; sets the interlace passes
    int interlaced;      // 1 when the descriptor's packed byte is exactly 0x40
    int minimumCodeSize;
    uint64_t pixelCount; // indices the LZW data yielded before the decode stopped
};

// Where the pixels go: `width` x `height` bytes, rows `pitch` bytes apart.
// Image row r is placed at pixels + r * pitch; columns at or beyond `width` and
// rows at or beyond `height` are dropped.
struct GifTarget {
    uint8_t* pixels;
    ptrdiff_t pitch;
    int width;
    int height;
};

constexpr int gifMaxCodes = 4096;
constexpr int gifCodeBufferSize = 4096;
constexpr int gifPixelRunSize = 3 * 4096;

// The decoder's tables and buffers (about 80 KiB), made by gifAllocateWorkspace
// for one decode. Each code's string is kept as its length, its last chunk of up
// to 8 bytes, and the code that holds the chunk before it, so that a string is
// written 8 bytes per step straight into the run of decoded pixels. When whole
// rows follow each other in the target, the pixels go there directly and a
// string is instead copied from where it was last written in the target.
struct GifWorkspace {
    // The string's length - 1 in the low 16 bits; above them, the code that
    // holds the string's previous 8-byte chunk.
    uint32_t linkTable[gifMaxCodes];
    uint32_t positionTable[gifMaxCodes]; // where the string lies in the target, written straight
    uint8_t suffixTable[gifMaxCodes][8]; // the string's last chunk
    uint8_t codeBytes[gifCodeBufferSize + 8];    // LZW data gathered from the sub-blocks
    uint8_t pixelRun[gifPixelRunSize + 8];       // decoded indices waiting to be placed
};

// Null when the memory cannot be had.
GifWorkspace* gifAllocateWorkspace();
void gifFreeWorkspace(GifWorkspace* workspace);

// Phase 1: the header ("GIF"), the screen descriptor, the skipped colour table,
// the separator search, the image position and the image's width and height.
// Returns gifOk, gifNotGif or gifNoImage. Fills image->imageWidth and
// image->imageHeight.
int gifReadImageSize(GifStream* stream, GifImage* image);

// Phase 2, after gifReadImageSize: the descriptor's packed byte, the minimum
// code size and the LZW data, decoded into `target`. `byteBudget` is the
// stream's size from its first byte, compared as an unsigned 32-bit value: no
// byte at or beyond it is used. With gifBadCodeSize or gifOutOfMemory nothing
// is written. Returns gifOk, gifBadCodeSize, gifOutOfMemory or gifDataEnded.
int gifDecodeImage(GifStream* stream, GifImage* image, uint32_t byteBudget, const GifTarget* target,
                   GifWorkspace* workspace);
