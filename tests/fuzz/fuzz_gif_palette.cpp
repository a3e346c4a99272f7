// SPDX-License-Identifier: GPL-3.0-or-later
// The palette rule on arbitrary bytes, and the tool's palette reading at a
// record offset that the input chooses (anywhere, also before or beyond the
// file), checked entry by entry against the rule written out plainly.
//
// Input: bytes 0-3 are record 0's offset (signed 32-bit; non-negative values
// far beyond the file are folded back near it), bytes 4-5 the record's width
// and height (1 to 8), byte 6 how many table bytes the rule gets in its own
// check; the whole input is also the table for the rule, and the bytes from 7
// on follow the package header in the file the tool reads.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "package/gif_palette.h"
#include "package/package_format.h"
#include "saver_startup.h"
#include "fuzz_check.h"

namespace {

uint8_t expectedComponent(const uint8_t* bytes, size_t count, size_t at)
{
    return at < count ? bytes[at] : 0;
}

void checkRule(const uint8_t* bytes, size_t count)
{
    PaletteEntry palette[paletteSize];
    for (int entry = 0; entry < paletteSize; ++entry)
        palette[entry] = PaletteEntry{uint8_t(entry), uint8_t(~entry), 0x77, uint8_t(entry ^ 0x5A)};
    paletteFromColourTable(bytes, count, palette);
    for (int entry = 0; entry < paletteSize; ++entry) {
        const size_t at = size_t(entry) * 3;
        CHECK(palette[entry].red == expectedComponent(bytes, count, at));
        CHECK(palette[entry].green == expectedComponent(bytes, count, at + 1));
        CHECK(palette[entry].blue == expectedComponent(bytes, count, at + 2));
        CHECK(palette[entry].flags == uint8_t(entry ^ 0x5A));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    checkRule(data, size);
    if (size < 7)
        return 0;
    checkRule(data, std::min<size_t>(size, data[6]));

    std::vector<uint8_t> file(packageHeaderSize);
    file.insert(file.end(), data + 7, data + size);
    int32_t offset = int32_t(uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                             uint32_t(data[3]) << 24);
    if (offset > int32_t(file.size()) + 64)
        offset %= int32_t(file.size()) + 64;

    ImagePackage package = {};
    package.imageCount = 1;
    for (int record = 0; record < imageRecordCount; ++record) {
        package.colourKey[record] = noColourKey;
        package.kind[record] = gifKind;
    }
    package.width[0] = 1 + data[4] % 8;
    package.height[0] = 1 + data[5] % 8;
    package.offset[0] = offset;
    package.length[0] = int32_t(file.size());
    writePackageHeader(package, file.data());

    const SaverPicture picture = loadSaverPicture(file, "fuzz.dat");
    // The table lies 13 bytes past the offset, also for an offset of -13 to -1
    // (then among the file's first bytes); nothing outside the file is read.
    const int64_t tableStart = int64_t(offset) + gifColourTableOffset;
    bool shortTable = false;
    for (int entry = 0; entry < paletteSize; ++entry) {
        uint8_t colour[3];
        for (int component = 0; component < 3; ++component) {
            const int64_t at = tableStart + int64_t(entry) * 3 + int64_t(component);
            const bool present = tableStart >= 0 && uint64_t(at) < file.size();
            shortTable = shortTable || !present;
            colour[component] = present ? file[size_t(at)] : 0;
        }
        CHECK(picture.palette[size_t(entry)].red == colour[0]);
        CHECK(picture.palette[size_t(entry)].green == colour[1]);
        CHECK(picture.palette[size_t(entry)].blue == colour[2]);
        CHECK(picture.palette[size_t(entry)].flags == 0);
    }
    bool warned = false;
    for (const std::string& warning : picture.warnings)
        warned = warned || warning.find("colour table") != std::string::npos;
    CHECK(warned == (shortTable || offset < 0));
    CHECK(picture.pixels.size() == size_t(picture.width) * size_t(picture.height));
    return 0;
}
