// SPDX-License-Identifier: GPL-3.0-or-later
// Windows bitmaps: 1, 4, 8, 16, 24 and 32 bits a pixel, RLE4, RLE8, bit fields
// (with alpha), bottom-up and top-down rows, OS/2 and Windows headers up to
// version 5. Read here by hand: no Debian library that also builds for the
// browser reads RLE4, RLE8, bit fields and top-down rows (stb_image reads
// none of RLE, libnsbmp is not packaged). An embedded colour profile is not
// read: the colours are taken as sRGB.
#include <algorithm>
#include <bit>
#include <cstring>

#include "make_budget.h"
#include "picture_readers.h"
#include "srgb_light.h"

namespace {

enum Compression { plain = 0, rle8 = 1, rle4 = 2, bitFields = 3, alphaBitFields = 6 };

struct BmpHeader {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int depth = 0;
    uint32_t compression = plain;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    uint32_t pixelOffset = 0;
    std::vector<uint8_t> palette;  // three bytes an entry: red, green, blue
};

// One colour channel of a bit-field pixel, scaled to 0 to 255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t top = 0;
    explicit Channel(uint32_t bits) : mask(bits), shift(bits ? std::countr_zero(bits) : 0), top(bits >> shift) {}
    uint8_t operator()(uint32_t pixel) const
    {
        return top ? uint8_t((uint64_t((pixel & mask) >> shift) * 255 + top / 2) / top) : 0;
    }
};

class BmpReader {
public:
    BmpReader(std::span<const uint8_t> file, const ReadRequest& request) : file_(file), request_(request) {}

    Picture read()
    {
        readHeader();
        const uint64_t pixels = uint64_t(header_.width) * uint64_t(header_.height);
        checkMemoryBudget(PictureFormat::bmp, request_, file_.size(), header_.width, header_.height,
                          pixels * 3 + (header_.masks[3] ? uint64_t(header_.width) * 4 : 0));
        Picture picture = pictureOfSize(PictureFormat::bmp, header_.width, header_.height);
        RgbPicture& stored = picture.stored;
        // What run-length data skips stays black.
        stored.rgb.assign(size_t(header_.width) * size_t(header_.height) * 3, 0);
        if (header_.compression == rle8 || header_.compression == rle4)
            readRunLengths(stored);
        else
            readRows(stored);
        return picture;
    }

private:
    [[noreturn]] void fail(const std::string& reason) const
    {
        refuseUnreadable(PictureFormat::bmp, request_.name, reason);
    }

    uint32_t u32(size_t at) const
    {
        if (at + 4 > file_.size())
            fail("it is cut short");
        return uint32_t(file_[at]) | uint32_t(file_[at + 1]) << 8 | uint32_t(file_[at + 2]) << 16 |
               uint32_t(file_[at + 3]) << 24;
    }
    uint16_t u16(size_t at) const
    {
        if (at + 2 > file_.size())
            fail("it is cut short");
        return uint16_t(file_[at] | file_[at + 1] << 8);
    }

    void readHeader()
    {
        header_.pixelOffset = u32(10);
        const uint32_t infoSize = u32(14);
        size_t tableStart = 14 + size_t(infoSize);
        int entryBytes = 4;
        uint32_t coloursUsed = 0;
        int64_t height = 0;
        if (infoSize == 12) {  // OS/2 1.x and Windows 2.x
            header_.width = u16(18);
            height = u16(20);
            header_.depth = u16(24);
            entryBytes = 3;
        } else if (infoSize >= 40 && infoSize <= 124) {
            header_.width = int32_t(u32(18));
            height = int32_t(u32(22));
            header_.depth = u16(28);
            header_.compression = u32(30);
            coloursUsed = u32(46);
            if (infoSize == 64 && header_.compression >= 3)
                fail("a kind of BMP that is not supported (OS/2 Huffman or RLE24 data)");
            if (header_.compression == bitFields || header_.compression == alphaBitFields) {
                const int count = header_.compression == alphaBitFields ? 4 : 3;
                // The masks follow a 40-byte header, or are part of a longer one.
                const size_t at = infoSize >= 52 ? 54 : 14 + 40;
                for (int i = 0; i < count; ++i)
                    header_.masks[i] = u32(at + size_t(i) * 4);
                if (infoSize >= 56)
                    header_.masks[3] = u32(66);
                if (infoSize == 40)
                    tableStart += size_t(count) * 4;
            }
        } else {
            fail("its data is corrupt (a header of " + std::to_string(infoSize) + " bytes)");
        }
        header_.topDown = height < 0;
        checkDeclaredSize(PictureFormat::bmp, request_, header_.width, height < 0 ? -height : height);
        header_.height = int(height < 0 ? -height : height);

        const int depth = header_.depth;
        const uint32_t compression = header_.compression;
        const bool known = (compression == plain && (depth == 1 || depth == 4 || depth == 8 || depth == 16 ||
                                                     depth == 24 || depth == 32)) ||
                           (compression == rle8 && depth == 8) || (compression == rle4 && depth == 4) ||
                           ((compression == bitFields || compression == alphaBitFields) && (depth == 16 || depth == 32));
        if (compression == 4 || compression == 5)
            fail(std::string("a kind of BMP that is not supported (") + (compression == 4 ? "JPEG" : "PNG") +
                 " data inside)");
        if (!known)
            fail("a kind of BMP that is not supported (" + std::to_string(depth) + " bits a pixel, compression " +
                 std::to_string(compression) + ")");
        if (header_.topDown && (compression == rle8 || compression == rle4))
            fail("its data is corrupt (run-length data cannot be top-down)");
        if (compression == plain && depth > 8 && depth != 24) {
            const bool five = depth == 16;  // 5 bits a channel, or 8
            header_.masks[0] = five ? 0x7C00 : 0xFF0000;
            header_.masks[1] = five ? 0x03E0 : 0x00FF00;
            header_.masks[2] = five ? 0x001F : 0x0000FF;
        }

        if (depth <= 8) {
            const uint32_t most = 1u << depth;
            const uint32_t entries = coloursUsed && coloursUsed < most ? coloursUsed : most;
            header_.palette.assign(size_t(most) * 3, 0);
            for (uint32_t i = 0; i < entries; ++i) {
                const size_t at = tableStart + size_t(i) * size_t(entryBytes);
                if (at + 3 > file_.size())
                    fail("it is cut short");
                header_.palette[i * 3] = file_[at + 2];
                header_.palette[i * 3 + 1] = file_[at + 1];
                header_.palette[i * 3 + 2] = file_[at];
            }
        }
        if (header_.pixelOffset >= file_.size())
            fail("it is cut short");
        // Rows that are not all in the file are not worth a picture's memory.
        if ((compression == plain || compression == bitFields || compression == alphaBitFields) &&
            uint64_t(header_.pixelOffset) + uint64_t(stride()) * uint64_t(header_.height) > file_.size())
            fail("it is cut short");
    }

    // The bytes of one stored row, padded to four.
    size_t stride() const { return (size_t(header_.width) * size_t(header_.depth) + 31) / 32 * 4; }

    // The row of the picture that the file's row `index` is.
    int pictureRow(int index) const { return header_.topDown ? index : header_.height - 1 - index; }

    void readRows(RgbPicture& stored) const
    {
        const int width = header_.width;
        const int depth = header_.depth;
        const size_t stride = this->stride();
        const Channel red(header_.masks[0]), green(header_.masks[1]), blue(header_.masks[2]);
        const Channel alpha(header_.masks[3]);
        const bool usesAlpha = alpha.mask && hasAnyAlpha(stride);
        std::vector<uint8_t> rgba(usesAlpha ? size_t(width) * 4 : 0);
        for (int index = 0; index < header_.height; ++index) {
            const uint8_t* row = file_.data() + header_.pixelOffset + size_t(index) * stride;
            uint8_t* target = stored.rgb.data() + size_t(pictureRow(index)) * size_t(width) * 3;
            for (int x = 0; x < width; ++x) {
                uint8_t* pixel = usesAlpha ? &rgba[size_t(x) * 4] : target + size_t(x) * 3;
                if (depth <= 8) {
                    const int bit = x * depth;
                    const int index8 = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
                    std::memcpy(pixel, &header_.palette[size_t(index8) * 3], 3);
                } else if (depth == 24) {
                    const uint8_t* source = row + size_t(x) * 3;
                    pixel[0] = source[2];
                    pixel[1] = source[1];
                    pixel[2] = source[0];
                } else {
                    const uint32_t value = fieldPixel(row, x);
                    pixel[0] = red(value);
                    pixel[1] = green(value);
                    pixel[2] = blue(value);
                    if (usesAlpha)
                        pixel[3] = alpha(value);
                }
            }
            if (usesAlpha)
                layOverBlack(rgba.data(), target, size_t(width));
        }
    }

    // Many writers leave an alpha mask over bytes that are all zero: such a
    // bitmap is opaque.
    bool hasAnyAlpha(size_t stride) const
    {
        const Channel alpha(header_.masks[3]);
        for (int index = 0; index < header_.height; ++index) {
            const uint8_t* row = file_.data() + header_.pixelOffset + size_t(index) * stride;
            for (int x = 0; x < header_.width; ++x)
                if (alpha(fieldPixel(row, x)))
                    return true;
        }
        return false;
    }

    // Pixel x of a row of 16- or 32-bit pixels, little-endian.
    uint32_t fieldPixel(const uint8_t* row, int x) const
    {
        const uint8_t* source = row + size_t(x) * size_t(header_.depth / 8);
        if (header_.depth == 16)
            return uint32_t(source[0] | source[1] << 8);
        return uint32_t(source[0]) | uint32_t(source[1]) << 8 | uint32_t(source[2]) << 16 | uint32_t(source[3]) << 24;
    }

    // RLE8 and RLE4: runs of one index (two alternating ones in RLE4),
    // literal stretches padded to 16 bits, and escapes for the end of a
    // line, of the picture, and a jump.
    void readRunLengths(RgbPicture& stored) const
    {
        const bool nibbles = header_.compression == rle4;
        const int width = header_.width;
        const int height = header_.height;
        size_t at = header_.pixelOffset;
        int x = 0, y = 0;  // y counts rows from the bottom
        auto put = [&](int index) {
            if (x < width && y < height)
                std::memcpy(stored.rgb.data() + (size_t(pictureRow(y)) * size_t(width) + size_t(x)) * 3,
                            &header_.palette[size_t(index) * 3], 3);
            x = std::min(x + 1, width);
        };
        bool ended = false;
        while (!ended && y < height) {
            if (at + 2 > file_.size())
                break;
            const int count = file_[at];
            const int value = file_[at + 1];
            at += 2;
            if (count > 0) {
                for (int i = 0; i < count; ++i)
                    put(nibbles ? (i % 2 ? value & 15 : value >> 4) : value);
            } else if (value == 0) {
                x = 0;
                ++y;
            } else if (value == 1) {
                ended = true;
            } else if (value == 2) {
                if (at + 2 > file_.size())
                    break;
                x = std::min(x + file_[at], width);
                y += file_[at + 1];
                at += 2;
            } else {
                const size_t bytes = nibbles ? size_t(value + 1) / 2 : size_t(value);
                if (at + bytes > file_.size())
                    break;
                for (int i = 0; i < value; ++i)
                    put(nibbles ? (i % 2 ? file_[at + size_t(i / 2)] & 15 : file_[at + size_t(i / 2)] >> 4)
                                : file_[at + size_t(i)]);
                at += (bytes + 1) & ~size_t(1);
            }
        }
        // Data that stops in its last row without the end code is complete.
        if (!ended && y < height && !(y == height - 1 && x >= width))
            fail("it is cut short");
    }

    std::span<const uint8_t> file_;
    const ReadRequest& request_;
    BmpHeader header_;
};

}  // namespace

Picture readBmp(std::span<const uint8_t> file, const ReadRequest& request)
{
    return BmpReader(file, request).read();
}
