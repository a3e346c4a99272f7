// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "package/package_format.h"

namespace {

// The header of a one-picture saver: one 256 x 256 GIF of 21513 bytes at
// 61833, the four unused records pointing at the end of the 83346-byte file.
std::vector<unsigned char> referenceHeader()
{
    ImagePackage package = {};
    package.imageCount = 1;
    for (int record = 0; record < imageRecordCount; ++record) {
        package.colourKey[record] = 999;
        package.offset[record] = 83346;
        package.kind[record] = 'g';
    }
    package.width[0] = 256;
    package.height[0] = 256;
    package.offset[0] = 61833;
    package.length[0] = 21513;
    std::vector<unsigned char> bytes(packageHeaderSize);
    writePackageHeader(package, bytes.data());
    return bytes;
}

}  // namespace

TEST(PackageHeader, ReferenceLayoutByteForByte)
{
    const auto bytes = referenceHeader();
    EXPECT_EQ(std::memcmp(bytes.data(), "GlimmerwheelStudio", 18), 0);
    EXPECT_EQ(bytes[18], 1);  // imageCount, little-endian
    // record 0 at 22: width 256
    EXPECT_EQ(bytes[22], 0x00);
    EXPECT_EQ(bytes[23], 0x01);
    // record 0 offset 61833 = 0xF189 at 22 + 12
    EXPECT_EQ(bytes[34], 0x89);
    EXPECT_EQ(bytes[35], 0xF1);
    EXPECT_EQ(bytes[42], 'g');       // record 0 kind
    EXPECT_EQ(bytes[22 + 21 + 8], 0xE7);  // record 1 colour key 999 = 0x3E7
    EXPECT_EQ(bytes[22 + 4 * 21 + 20], 'g');  // record 4 kind, the last record byte (126)
    for (int i = 127; i < 392; ++i)
        ASSERT_EQ(bytes[size_t(i)], 0) << "byte " << i;
}

TEST(PackageHeader, ReadsTheReferenceValues)
{
    const auto bytes = referenceHeader();
    ImagePackage package;
    ASSERT_EQ(parsePackageHeader(bytes.data(), bytes.size(), &package), 1);
    EXPECT_EQ(package.imageCount, 1);
    EXPECT_EQ(package.width[0], 256);
    EXPECT_EQ(package.height[0], 256);
    EXPECT_EQ(package.colourKey[0], 999);
    EXPECT_EQ(package.offset[0], 61833);
    EXPECT_EQ(package.length[0], 21513);
    EXPECT_EQ(package.kind[0], 'g');
    for (int record = 1; record < imageRecordCount; ++record) {
        EXPECT_EQ(package.width[record], 0);
        EXPECT_EQ(package.colourKey[record], 999);
        EXPECT_EQ(package.offset[record], 83346);
        EXPECT_EQ(package.length[record], 0);
        EXPECT_EQ(package.kind[record], 'g');
    }
}

TEST(PackageHeader, NegativeAndLargeFieldsRoundTrip)
{
    ImagePackage package = {};
    package.imageCount = -7;
    package.width[2] = -1;
    package.height[3] = 65535;
    package.offset[4] = INT32_MIN;
    package.length[1] = INT32_MAX;
    package.kind[0] = 0xFF;
    package.optionBytes[9] = 0x80;
    std::vector<unsigned char> bytes(packageHeaderSize);
    writePackageHeader(package, bytes.data());
    ImagePackage read;
    ASSERT_EQ(parsePackageHeader(bytes.data(), bytes.size(), &read), 1);
    EXPECT_EQ(read.imageCount, -7);
    EXPECT_EQ(read.width[2], -1);
    EXPECT_EQ(read.height[3], 65535);
    EXPECT_EQ(read.offset[4], INT32_MIN);
    EXPECT_EQ(read.length[1], INT32_MAX);
    EXPECT_EQ(read.kind[0], 0xFF);
    EXPECT_EQ(read.optionBytes[9], 0x80);
}

TEST(PackageHeader, AnyImageCountIsAccepted)
{
    for (int32_t count : {0, 1, 7, -1}) {
        auto bytes = referenceHeader();
        bytes[18] = (unsigned char)(count);
        bytes[19] = bytes[20] = bytes[21] = count < 0 ? 0xFF : 0;
        ImagePackage package;
        ASSERT_EQ(parsePackageHeader(bytes.data(), bytes.size(), &package), 1) << count;
        EXPECT_EQ(package.imageCount, count);
        EXPECT_EQ(package.offset[0], 61833);
    }
}

TEST(PackageHeader, BadMagicIsRefusedAndLeavesThePackageAlone)
{
    ImagePackage package = {};
    package.width[0] = 4242;
    auto lastDiffers = referenceHeader();
    lastDiffers[17] = 'x';
    EXPECT_EQ(parsePackageHeader(lastDiffers.data(), lastDiffers.size(), &package), 0);
    auto zeroInside = referenceHeader();
    zeroInside[5] = 0;
    EXPECT_EQ(parsePackageHeader(zeroInside.data(), zeroInside.size(), &package), 0);
    auto allZero = std::vector<unsigned char>(packageHeaderSize, 0);
    EXPECT_EQ(parsePackageHeader(allZero.data(), allZero.size(), &package), 0);
    EXPECT_EQ(package.width[0], 4242);
}

TEST(PackageHeader, EveryShortHeaderIsRefused)
{
    const auto bytes = referenceHeader();
    ImagePackage package = {};
    for (size_t size = 0; size < bytes.size(); ++size)
        ASSERT_EQ(parsePackageHeader(bytes.data(), size, &package), 0) << size << " bytes";
    EXPECT_EQ(package.imageCount, 0);
    EXPECT_EQ(parsePackageHeader(bytes.data(), bytes.size(), &package), 1);
}

TEST(PackageHeader, ReadFromAStreamAtItsPosition)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    const std::vector<unsigned char> program(100, 0xCC);
    const auto header = referenceHeader();
    std::fwrite(program.data(), 1, program.size(), stream);
    std::fwrite(header.data(), 1, header.size(), stream);
    std::fputc(0, stream);
    ImagePackage package;
    std::fseek(stream, 100, SEEK_SET);
    EXPECT_EQ(readPackageHeaderFrom(stream, &package), 1);
    EXPECT_EQ(package.length[0], 21513);
    // exactly the header is consumed
    EXPECT_EQ(std::ftell(stream), 100 + 392);
    std::fseek(stream, 101, SEEK_SET);
    EXPECT_EQ(readPackageHeaderFrom(stream, &package), 0);
    std::fclose(stream);
}
