// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the bad-input tests of the tool: a folder of scratch files per
// test, glimmer run in-process, and a valid saver whose parts the tests cut
// and damage.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "../gif_test_support.h"
#include "cli.h"
#include "tool_run.h"
#include "tool_test_folder.h"
#include "file_io.h"
#include "package/package_format.h"

namespace robustness {

namespace fs = std::filesystem;
using giftest::Bytes;

// Places of the valid saver's parts.
constexpr size_t headerAt = size_t(packageOffset);                  // 61440
constexpr size_t pictureAt = headerAt + size_t(packageHeaderSize) + 1; // 61833
constexpr size_t recordField(int record, int field) { return size_t(imageRecordsStart + record * imageRecordSize + field); }
constexpr int widthField = 0, heightField = 4, colourKeyField = 8, offsetField = 12, lengthField = 16, kindField = 20;

// The picture of the valid saver: 16 x 12, minimum code size 8, a 256-entry
// global colour table, no extensions; its last three bytes are the last data
// byte's block, the block terminator and the trailer.
constexpr int pictureWidth = 16;
constexpr int pictureHeight = 12;

inline Bytes pictureIndices()
{
    std::mt19937 random(808);
    return giftest::photoLikeIndices(random, pictureWidth, pictureHeight, 256);
}

inline Bytes pictureGif()
{
    return giftest::gifOf(pictureIndices(), pictureWidth, pictureHeight, 8);
}

// Where the GIF's image descriptor ends (after its packed byte): 13 bytes of
// header and screen, 768 of colour table, the separator and 9 descriptor bytes.
constexpr size_t descriptorSizeEnd = 13 + 768 + 1 + 8; // after the image's width and height
constexpr size_t codeSizeAt = descriptorSizeEnd + 1;   // the LZW minimum code size

// A package header: record 0 as given, records 1 to 4 empty at the file's end.
inline void writeHeader(Bytes& file, size_t at, int32_t width, int32_t height, int32_t offset, int32_t length,
                        int32_t endOfFile)
{
    ImagePackage package = {};
    package.imageCount = 1;
    for (int record = 0; record < imageRecordCount; ++record) {
        package.colourKey[record] = noColourKey;
        package.offset[record] = endOfFile;
        package.kind[record] = gifKind;
    }
    package.width[0] = width;
    package.height[0] = height;
    package.offset[0] = offset;
    package.length[0] = length;
    writePackageHeader(package, file.data() + at);
}

// A saver as `glimmer pack` writes it, behind a 61440-byte stand-in program
// ("MZ" and zeros: only its size matters here).
inline Bytes saverOf(const Bytes& gif, int32_t width = pictureWidth, int32_t height = pictureHeight)
{
    Bytes file(pictureAt, 0);
    file[0] = 'M';
    file[1] = 'Z';
    writeHeader(file, headerAt, width, height, int32_t(pictureAt), int32_t(gif.size()),
                int32_t(pictureAt + gif.size()));
    file.insert(file.end(), gif.begin(), gif.end());
    return file;
}

// A file.dat: the header at byte 0, the picture at 393.
inline Bytes fileDatOf(const Bytes& gif, int32_t width = pictureWidth, int32_t height = pictureHeight)
{
    Bytes file(size_t(packageHeaderSize) + 1, 0);
    const size_t at = file.size();
    writeHeader(file, 0, width, height, int32_t(at), int32_t(gif.size()), int32_t(at + gif.size()));
    file.insert(file.end(), gif.begin(), gif.end());
    return file;
}

inline void put32(Bytes& bytes, size_t at, int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + size_t(i)] = uint8_t(uint32_t(value) >> (8 * i));
}

// A binary PGM as the tool writes it; width -1 when it is not one.
inline Pgm readPgm(const Bytes& bytes)
{
    Pgm pgm;
    pgm.width = pgm.height = -1;
    std::string text(bytes.begin(), bytes.begin() + long(std::min<size_t>(bytes.size(), 40)));
    int width = 0, height = 0;
    if (std::sscanf(text.c_str(), "P5\n%d %d", &width, &height) != 2)
        return pgm;
    const std::string header = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    if (text.compare(0, header.size(), header) != 0)
        return pgm;
    pgm.width = width;
    pgm.height = height;
    pgm.samples.assign(bytes.begin() + long(header.size()), bytes.end());
    return pgm;
}

// A scratch folder per test, removed afterwards.
class ToolFiles : public ToolFolderTest {};

}  // namespace robustness
