// SPDX-License-Identifier: MIT
#include "package/package_format.h"

#include <cstring>

namespace {

int32_t readInt32(const unsigned char* bytes)
{
    const uint32_t value = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 |
                           uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    return int32_t(value);
}

void writeInt32(unsigned char* bytes, int32_t value)
{
    const uint32_t bits = uint32_t(value);
    bytes[0] = (unsigned char)(bits);
    bytes[1] = (unsigned char)(bits >> 8);
    bytes[2] = (unsigned char)(bits >> 16);
    bytes[3] = (unsigned char)(bits >> 24);
}

}  // namespace

int hasPackageMagic(const unsigned char* bytes, size_t size)
{
    return size >= size_t(packageMagicLength) &&
           std::strncmp(reinterpret_cast<const char*>(bytes), packageMagic, packageMagicLength) == 0;
}

int parsePackageHeader(const unsigned char* bytes, size_t size, ImagePackage* package)
{
    if (!hasPackageMagic(bytes, size))
        return 0;
    // A header cut short is a corrupt file: its missing fields would make
    // nonsense record sizes.
    if (size < size_t(packageHeaderSize))
        return 0;

    ImagePackage parsed;
    parsed.imageCount = readInt32(bytes + packageMagicLength);
    for (int record = 0; record < imageRecordCount; ++record) {
        const unsigned char* field = bytes + imageRecordsStart + record * imageRecordSize;
        parsed.width[record] = readInt32(field);
        parsed.height[record] = readInt32(field + 4);
        parsed.colourKey[record] = readInt32(field + 8);
        parsed.offset[record] = readInt32(field + 12);
        parsed.length[record] = readInt32(field + 16);
        parsed.kind[record] = field[20];
    }
    std::memcpy(parsed.optionBytes, bytes + optionBytesStart, optionByteCount);
    std::memcpy(parsed.headerBuffer, bytes + textBlockStart, textBlockSize);
    *package = parsed;
    return 1;
}

int readPackageHeaderFrom(FILE* stream, ImagePackage* package)
{
    unsigned char bytes[packageHeaderSize];
    const size_t got = std::fread(bytes, 1, sizeof bytes, stream);
    return parsePackageHeader(bytes, got, package);
}

void writePackageHeader(const ImagePackage& package, unsigned char* bytes)
{
    std::memset(bytes, 0, packageHeaderSize);
    std::memcpy(bytes, packageMagic, packageMagicLength);
    writeInt32(bytes + packageMagicLength, package.imageCount);
    for (int record = 0; record < imageRecordCount; ++record) {
        unsigned char* field = bytes + imageRecordsStart + record * imageRecordSize;
        writeInt32(field, package.width[record]);
        writeInt32(field + 4, package.height[record]);
        writeInt32(field + 8, package.colourKey[record]);
        writeInt32(field + 12, package.offset[record]);
        writeInt32(field + 16, package.length[record]);
        field[20] = package.kind[record];
    }
    std::memcpy(bytes + optionBytesStart, package.optionBytes, optionByteCount);
}
