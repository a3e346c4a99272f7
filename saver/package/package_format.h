// SPDX-License-Identifier: MIT
// The image package: a 392-byte header describing up to five pictures, followed
// by the pictures. Appended to the 61440-byte program, or standing alone as
// file.dat. All integers are 32-bit little-endian; there is no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr long packageOffset = 61440;
constexpr int packageHeaderSize = 392;
constexpr int packageMagicLength = 18;
constexpr char packageMagic[] = "GlimmerwheelStudio";
constexpr int imageRecordCount = 5;
constexpr int imageRecordSize = 21;
constexpr int optionByteCount = 10;
constexpr int textBlockSize = 255;
constexpr int imageRecordsStart = 22;
constexpr int optionBytesStart = imageRecordsStart + imageRecordCount * imageRecordSize;  // 127
constexpr int textBlockStart = optionBytesStart + optionByteCount;                         // 137
constexpr int32_t noColourKey = 999;
constexpr unsigned char gifKind = 'g';

static_assert(textBlockStart + textBlockSize == packageHeaderSize);

// The header as the saver holds it: one array per record field.
struct ImagePackage {
    char headerBuffer[textBlockSize];
    int32_t imageCount;
    int32_t width[imageRecordCount];
    int32_t height[imageRecordCount];
    int32_t colourKey[imageRecordCount];
    int32_t offset[imageRecordCount];
    int32_t length[imageRecordCount];
    unsigned char kind[imageRecordCount];
    unsigned char optionBytes[optionByteCount];
};

// 1 when `bytes` start with the package's magic; the one test of it that the
// saver and the tools share.
int hasPackageMagic(const unsigned char* bytes, size_t size);

// Parses a whole header from memory. Returns 1 and fills `package` when the
// magic matches and all 392 bytes are there; returns 0 and leaves `package`
// untouched otherwise (wrong magic, a zero byte in it, or a header that ends
// early).
int parsePackageHeader(const unsigned char* bytes, size_t size, ImagePackage* package);

// Reads the header from `stream` at its current position, as parsePackageHeader.
int readPackageHeaderFrom(FILE* stream, ImagePackage* package);

// Writes the header of `package` into exactly 392 bytes (magic included; the
// text block is written as zeros).
void writePackageHeader(const ImagePackage& package, unsigned char* bytes);
