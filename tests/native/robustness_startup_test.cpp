// SPDX-License-Identifier: GPL-3.0-or-later
// The platform-free half of the saver's start-up on bad packages: the header
// read from the program's own file at byte 61440, then the picture decoded
// from that file at record 0's offset into a surface of record 0's size, and
// its colour table. Each case names what the saver then does:
//   header refused          -> the box "corrupt header", exit code 0
//   picture refused/cut     -> the saver runs with what was decoded (black or
//                              a partial picture), exit code 0 on a key press
// (The boxes and the exit code themselves are checked on the real program
// under Wine: tests/windows/robustness_process_test.cpp.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>

#include "gif_test_support.h"
#include "package/gif_decoder.h"
#include "package/gif_palette.h"
#include "package/package_format.h"

using namespace giftest;

namespace {

constexpr size_t headerAt = size_t(packageOffset);
constexpr size_t pictureAt = headerAt + size_t(packageHeaderSize) + 1;
constexpr int pictureWidth = 16;
constexpr int pictureHeight = 12;

Bytes pictureIndices()
{
    std::mt19937 random(808);
    return photoLikeIndices(random, pictureWidth, pictureHeight, 256);
}

void put32(Bytes& bytes, size_t at, int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + size_t(i)] = uint8_t(uint32_t(value) >> (8 * i));
}

// A saver file: a 61440-byte program stand-in, the header, one zero byte and
// the picture; record 0 describes the picture, records 1 to 4 are empty.
Bytes saverOf(const Bytes& gif, int32_t width = pictureWidth, int32_t height = pictureHeight)
{
    Bytes file(pictureAt, 0);
    file[0] = 'M';
    file[1] = 'Z';
    ImagePackage package = {};
    package.imageCount = 1;
    for (int record = 0; record < imageRecordCount; ++record) {
        package.colourKey[record] = noColourKey;
        package.offset[record] = int32_t(pictureAt + gif.size());
        package.kind[record] = gifKind;
    }
    package.width[0] = width;
    package.height[0] = height;
    package.offset[0] = int32_t(pictureAt);
    package.length[0] = int32_t(gif.size());
    writePackageHeader(package, file.data() + headerAt);
    file.insert(file.end(), gif.begin(), gif.end());
    return file;
}

std::FILE* fileOf(const Bytes& bytes)
{
    std::FILE* file = std::tmpfile();
    if (file && !bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    if (file)
        std::rewind(file);
    return file;
}

size_t readFromFile(void* context, uint8_t* buffer, size_t capacity)
{
    return std::fread(buffer, 1, capacity, static_cast<std::FILE*>(context));
}

// What the start-up leaves behind.
struct StartUp {
    int header = 0;           // readPackageHeader: 1 read, 0 refused ("corrupt header")
    ImagePackage package{};
    int pictureStatus = -1;   // the decoder's last status; -1 when not reached
    bool guardsIntact = true; // nothing written outside the surface
    Bytes surface;            // record 0's width x height, as decoded (blank 0xEE)
    PaletteEntry palette[paletteSize] = {};
};

// The platform-free steps of the start-up, in the saver's order, on `file`:
// the header at 61440 read from the stream; then, for a GIF record, the stream
// again at record 0's offset (nothing at a negative one), through a 4096-byte
// buffer, into a surface of record 0's size with room for guards around it;
// then 768 bytes at offset + 13 for the palette.
StartUp startUp(const Bytes& bytes)
{
    StartUp result;
    std::FILE* file = fileOf(bytes);
    if (!file) {
        ADD_FAILURE() << "no temporary file";
        return result;
    }
    if (std::fseek(file, packageOffset, SEEK_SET) == 0)
        result.header = readPackageHeaderFrom(file, &result.package);
    if (!result.header) {
        std::fclose(file);
        return result;
    }
    const ImagePackage& package = result.package;
    const int width = package.width[0];
    const int height = package.height[0];
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) {
        // The surface cannot be made (or is not worth making here).
        std::fclose(file);
        return result;
    }
    GuardedTarget surface(width, height, width + 3);
    // A stream that cannot be placed at the offset gives nothing to read, as
    // one placed beyond the file's end does.
    if (package.kind[0] == gifKind && package.offset[0] >= 0 && std::fseek(file, package.offset[0], SEEK_SET) != 0)
        result.pictureStatus = gifNotGif;
    else if (package.kind[0] == gifKind && package.offset[0] >= 0) {
        uint8_t buffer[4096];
        GifStream stream;
        gifOpenSource(&stream, readFromFile, file, buffer, sizeof buffer);
        GifImage image;
        result.pictureStatus = gifReadImageSize(&stream, &image);
        if (result.pictureStatus == gifOk) {
            GifWorkspace* workspace = gifAllocateWorkspace();
            const GifTarget target = surface.target();
            result.pictureStatus = gifDecodeImage(&stream, &image, uint32_t(package.length[0]), &target, workspace);
            gifFreeWorkspace(workspace);
        }
    }
    if (package.kind[0] == gifKind) {
        uint8_t table[gifColourTableSize];
        size_t got = 0;
        const long long at = (long long)package.offset[0] + gifColourTableOffset;
        if (at >= 0 && at <= std::numeric_limits<long>::max() && std::fseek(file, long(at), SEEK_SET) == 0)
            got = std::fread(table, 1, sizeof table, file);
        paletteFromColourTable(table, got, result.palette);
    }
    std::fclose(file);
    result.guardsIntact = surface.guardsIntact();
    result.surface = surface.rectangle();
    return result;
}

bool blank(const Bytes& surface)
{
    for (uint8_t byte : surface)
        if (byte != 0xEE)
            return false;
    return true;
}

bool paletteBlack(const PaletteEntry* palette)
{
    for (int entry = 0; entry < paletteSize; ++entry)
        if (palette[entry].red || palette[entry].green || palette[entry].blue)
            return false;
    return true;
}

}  // namespace

// All 392 x 255 single-byte changes of a header: only a change inside the
// magic refuses it; any other is read as it stands, in exactly its field.
TEST(StartUpRobustness, EverySingleByteCorruptionOfTheHeader)
{
    const Bytes gif = gifOf(pictureIndices(), pictureWidth, pictureHeight, 8);
    const Bytes saver = saverOf(gif);
    const Bytes header(saver.begin() + long(headerAt), saver.begin() + long(headerAt) + packageHeaderSize);
    for (size_t at = 0; at < header.size(); ++at) {
        for (int value = 0; value < 256; ++value) {
            if (value == header[at])
                continue;
            Bytes damaged = header;
            damaged[at] = uint8_t(value);
            ImagePackage package;
            std::memset(&package, 0x5A, sizeof package);
            const int result = parsePackageHeader(damaged.data(), damaged.size(), &package);
            if (at < size_t(packageMagicLength)) {
                ASSERT_EQ(result, 0) << "byte " << at << " = " << value;  // "corrupt header"
                continue;
            }
            ASSERT_EQ(result, 1) << "byte " << at << " = " << value;
            // Written back, the fields give the damaged bytes again; the text
            // block is kept in the scratch buffer.
            Bytes written(packageHeaderSize);
            writePackageHeader(package, written.data());
            ASSERT_EQ(std::memcmp(written.data(), damaged.data(), textBlockStart), 0) << "byte " << at;
            ASSERT_EQ(std::memcmp(package.headerBuffer, damaged.data() + textBlockStart, textBlockSize), 0)
                << "byte " << at;
        }
    }
}

// Every prefix of a saver file from its header on (the program's bytes are
// never read): header refused until all 392 bytes are there; then a picture
// that is missing, not a GIF, without an image, without its code size, cut
// short, or whole.
TEST(StartUpRobustness, EveryPrefixOfASaverFile)
{
    const Bytes indices = pictureIndices();
    const Bytes gif = gifOf(indices, pictureWidth, pictureHeight, 8);
    const Bytes saver = saverOf(gif);
    const size_t descriptorEnd = 13 + 768 + 1 + 8;  // after the image's width and height
    for (size_t length = 0; length <= saver.size(); length += length + 64 < headerAt ? 4093 : 1) {
        const StartUp run = startUp(Bytes(saver.begin(), saver.begin() + long(length)));
        const std::string what = std::to_string(length) + " bytes";
        ASSERT_TRUE(run.guardsIntact) << what;
        if (length < headerAt + size_t(packageHeaderSize)) {
            ASSERT_EQ(run.header, 0) << what;  // "corrupt header"
            continue;
        }
        ASSERT_EQ(run.header, 1) << what;
        const size_t present = length > pictureAt ? length - pictureAt : 0;
        if (present < 6) {
            ASSERT_EQ(run.pictureStatus, gifNotGif) << what;
        } else if (present < descriptorEnd) {
            ASSERT_EQ(run.pictureStatus, gifNoImage) << what;
        } else if (present < descriptorEnd + 2) {
            ASSERT_EQ(run.pictureStatus, gifBadCodeSize) << what;
        } else if (present < gif.size() - 2) {
            ASSERT_EQ(run.pictureStatus, gifDataEnded) << what;
        } else {
            ASSERT_EQ(run.pictureStatus, gifOk) << what;
            ASSERT_EQ(run.surface, indices) << what;
        }
        if (run.pictureStatus != gifOk && run.pictureStatus != gifDataEnded)
            ASSERT_TRUE(blank(run.surface)) << what;  // the surface as it was made
        if (run.pictureStatus == gifDataEnded) {
            // The rows decoded so far, the rest as the surface was made.
            size_t decoded = 0;
            while (decoded < indices.size() && run.surface[decoded] != 0xEE)
                ++decoded;
            for (size_t at = 0; at < indices.size(); ++at)
                ASSERT_EQ(run.surface[at], at < decoded ? indices[at] : 0xEE) << what << " pixel " << at;
        }
        // The palette: the bytes the file holds at offset + 13, black beyond.
        for (int entry = 0; entry < paletteSize; ++entry) {
            const size_t at = pictureAt + 13 + size_t(entry) * 3;
            ASSERT_EQ(run.palette[entry].red, at < length ? saver[at] : 0) << what << " entry " << entry;
            ASSERT_EQ(run.palette[entry].blue, at + 2 < length ? saver[at + 2] : 0) << what << " entry " << entry;
        }
    }
}

// Record 0's range: outside the file, overflowing, a length that cuts the data
// or lets it run to the end of the file.
TEST(StartUpRobustness, RecordRanges)
{
    const Bytes indices = pictureIndices();
    const Bytes gif = gifOf(indices, pictureWidth, pictureHeight, 8);
    const int32_t size = int32_t(pictureAt + gif.size());
    const int32_t start = int32_t(pictureAt);
    const struct {
        const char* what;
        int32_t offset;
        int32_t length;
        int status;       // the decoder's; -1: not reached (negative offset)
        bool whole;       // the picture decoded whole
        bool blackPalette;
    } cases[] = {
        {"valid", start, int32_t(gif.size()), gifOk, true, false},
        {"empty range at the end", size, 0, gifNotGif, false, true},
        {"offset one past the end", size + 1, 10, gifNotGif, false, true},
        {"offset INT32_MAX", std::numeric_limits<int32_t>::max(), 10, gifNotGif, false, true},
        {"offset + length overflows", 0x7FFFFF00, 0x200, gifNotGif, false, true},
        {"offset -1", -1, 100, -1, false, true},
        {"offset INT32_MIN", std::numeric_limits<int32_t>::min(), 100, -1, false, true},
        {"offset into the header", int32_t(headerAt), 100, gifNotGif, false, false},
        {"length 0", start, 0, gifDataEnded, false, false},
        {"length -1", start, -1, gifOk, true, false},
        {"length INT32_MIN", start, std::numeric_limits<int32_t>::min(), gifOk, true, false},
        {"length INT32_MAX", start, std::numeric_limits<int32_t>::max(), gifOk, true, false},
        {"length past the end", start, int32_t(gif.size()) + 1000, gifOk, true, false},
    };
    for (const auto& c : cases) {
        Bytes saver = saverOf(gif);
        put32(saver, headerAt + imageRecordsStart + 12, c.offset);
        put32(saver, headerAt + imageRecordsStart + 16, c.length);
        const StartUp run = startUp(saver);
        ASSERT_EQ(run.header, 1) << c.what;
        EXPECT_TRUE(run.guardsIntact) << c.what;
        EXPECT_EQ(run.pictureStatus, c.status) << c.what;
        if (c.whole)
            EXPECT_EQ(run.surface, indices) << c.what;
        else if (c.status != gifDataEnded)
            EXPECT_TRUE(blank(run.surface)) << c.what;
        EXPECT_EQ(paletteBlack(run.palette), c.blackPalette) << c.what;
    }
}

// Record 0's size is the surface the picture is decoded into: only what fits
// is written, whatever the picture's own size.
TEST(StartUpRobustness, RecordSizesCutThePicture)
{
    const Bytes indices = pictureIndices();
    const Bytes gif = gifOf(indices, pictureWidth, pictureHeight, 8);
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{
             {1, 1}, {1, 12}, {16, 1}, {3, 40}, {40, 3}, {4096, 2}, {2, 4096}, {16, 12}}) {
        const StartUp run = startUp(saverOf(gif, width, height));
        const std::string what = std::to_string(width) + " x " + std::to_string(height);
        ASSERT_EQ(run.header, 1) << what;
        ASSERT_TRUE(run.guardsIntact) << what;
        EXPECT_EQ(run.pictureStatus, gifOk) << what;
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column) {
                const bool inPicture = row < pictureHeight && column < pictureWidth;
                ASSERT_EQ(run.surface[size_t(row) * size_t(width) + size_t(column)],
                          inPicture ? indices[size_t(row * pictureWidth + column)] : 0xEE)
                    << what << " at " << column << "," << row;
            }
    }
}

// Sizes the saver cannot make a surface of never reach the decoder; the decoder
// itself, given a target of such a size, writes nothing.
TEST(StartUpRobustness, TargetsOfNoSizeTakeNothing)
{
    const Bytes gif = gifOf(pictureIndices(), pictureWidth, pictureHeight, 8);
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{
             {0, 12}, {16, 0}, {0, 0}, {-1, 12}, {16, -1}, {-16, -12}, {std::numeric_limits<int>::min(), 12},
             {16, std::numeric_limits<int>::min()}}) {
        uint8_t memory[64];
        std::memset(memory, 0xA5, sizeof memory);
        const GifTarget target = {memory + 32, 16, width, height};
        GifStream stream;
        gifOpenMemory(&stream, gif.data(), gif.size());
        GifImage image;
        ASSERT_EQ(gifReadImageSize(&stream, &image), gifOk);
        GifWorkspace* workspace = gifAllocateWorkspace();
        const int status = gifDecodeImage(&stream, &image, uint32_t(gif.size()), &target, workspace);
        gifFreeWorkspace(workspace);
        EXPECT_EQ(status, gifOk) << width << " x " << height;
        for (uint8_t byte : memory)
            ASSERT_EQ(byte, 0xA5) << width << " x " << height;
    }
}

// Pictures of the kinds the loader reads its own way.
TEST(StartUpRobustness, PictureKinds)
{
    const Bytes indices = pictureIndices();
    auto layoutOf = [&] {
        GifLayout layout;
        layout.screenWidth = pictureWidth;
        layout.screenHeight = pictureHeight;
        layout.colourTable = greyTable(256);
        layout.imageWidth = pictureWidth;
        layout.imageHeight = pictureHeight;
        layout.data = packCodes(lzwEncode(indices, 8), 8);
        return layout;
    };
    const size_t codeSizeAt = 13 + 768 + 10;

    // A local colour table: its first byte (0 here) is taken as the code size.
    GifLayout local = layoutOf();
    local.imagePacked = 0x87;
    Bytes withTable = buildGif(local);
    const Bytes table = greyTable(256);
    withTable.insert(withTable.begin() + long(codeSizeAt), table.begin(), table.end());
    StartUp run = startUp(saverOf(withTable));
    EXPECT_EQ(run.pictureStatus, gifBadCodeSize);
    EXPECT_TRUE(blank(run.surface));
    EXPECT_FALSE(paletteBlack(run.palette));  // the global table is still read

    // An animation: the first image only.
    GifLayout first = layoutOf();
    first.beforeImage = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01, 0, 0, 0};
    first.trailer = false;
    Bytes animation = buildGif(first);
    const Bytes garbage(500, 0x2C);
    animation.insert(animation.end(), garbage.begin(), garbage.end());
    run = startUp(saverOf(animation));
    EXPECT_EQ(run.pictureStatus, gifOk);
    EXPECT_EQ(run.surface, indices);

    // No image.
    const Bytes whole = buildGif(layoutOf());
    Bytes noImage(whole.begin(), whole.begin() + 13 + 768);
    noImage.push_back(0x3B);
    run = startUp(saverOf(noImage));
    EXPECT_EQ(run.pictureStatus, gifNoImage);
    EXPECT_TRUE(blank(run.surface));

    // Code sizes outside 2 to 9: nothing decoded, the palette still read.
    for (const int size : {0, 1, 10, 12, 255}) {
        GifLayout layout = layoutOf();
        layout.minimumCodeSize = size;
        run = startUp(saverOf(buildGif(layout)));
        EXPECT_EQ(run.pictureStatus, gifBadCodeSize) << size;
        EXPECT_TRUE(blank(run.surface)) << size;
        EXPECT_FALSE(paletteBlack(run.palette)) << size;
    }

    // Garbage LZW data: something or nothing is decoded, always inside the surface.
    std::mt19937 random(99);
    for (int round = 0; round < 50; ++round) {
        GifLayout layout = layoutOf();
        layout.data = randomIndices(random, 200 + random() % 2000, 256);
        run = startUp(saverOf(buildGif(layout)));
        EXPECT_TRUE(run.guardsIntact) << round;
        EXPECT_TRUE(run.pictureStatus == gifOk || run.pictureStatus == gifDataEnded) << round;
    }
}
