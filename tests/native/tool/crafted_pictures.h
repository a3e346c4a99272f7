// SPDX-License-Identifier: GPL-3.0-or-later
// Crafted pictures that declare far more than they hold, or that are of
// extreme shapes: the inputs of the memory and time table of glimmer make,
// which the web tests run through the module too.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "picture_encoders.h"

namespace crafted {

using Bytes = std::vector<uint8_t>;

// A PNG of the given size whose picture data is one empty zlib stream.
inline Bytes pngClaiming(uint32_t width, uint32_t height, int depth = 8, int colourType = PNG_COLOR_TYPE_RGB,
                  int interlace = PNG_INTERLACE_NONE)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_set_write_fn(png, &out, encoders::appendPng, nullptr);
    png_set_IHDR(png, info, width, height, depth, colourType, interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const png_byte empty[] = {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), empty, sizeof empty);
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    png_destroy_write_struct(&png, &info);
    return out;
}

inline void putWord(Bytes& bytes, size_t at, int value)
{
    bytes[at] = uint8_t(value);
    bytes[at + 1] = uint8_t(value >> 8);
}

inline void put32(Bytes& bytes, size_t at, int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + size_t(i)] = uint8_t(uint32_t(value) >> (8 * i));
}

// An image descriptor of the given size with a two-colour local table and a
// few bytes of LZW data.
inline Bytes gifFrameClaiming(int width, int height)
{
    Bytes frame{0x2C, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 255, 255, 255, 2, 2, 0x4C, 0x01, 0};
    putWord(frame, 5, width);
    putWord(frame, 7, height);
    return frame;
}

// A GIF of `first` and then `more`, on a screen of its first frame's size.
inline Bytes gifOf(const Bytes& first, const std::vector<Bytes>& more = {})
{
    Bytes gif{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0};
    gif[6] = first[5], gif[7] = first[6], gif[8] = first[7], gif[9] = first[8];
    gif.insert(gif.end(), first.begin(), first.end());
    for (const Bytes& frame : more)
        gif.insert(gif.end(), frame.begin(), frame.end());
    gif.push_back(0x3B);
    return gif;
}

inline std::array<uint8_t, 4> busy(int x, int y)
{
    return {uint8_t(x * 7), uint8_t(y * 5), uint8_t(x ^ y), 255};
}

inline Bytes photo()
{
    return encoders::jpegFile({64, 64, encoders::JpegKind::baseline, 90, {}, {}}, busy);
}


// A PNG with a chunk of `type` that declares `declared` bytes and holds
// four, after the header or before the end.
inline Bytes pngWithChunk(const char* type, uint32_t declared, bool afterPixels)
{
    Bytes png = encoders::pngFile({}, busy);
    Bytes chunk{uint8_t(declared >> 24), uint8_t(declared >> 16), uint8_t(declared >> 8), uint8_t(declared)};
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), {'a', 'b', 'c', 'd'});
    png.insert(png.begin() + long(afterPixels ? png.size() - 12 : 33), chunk.begin(), chunk.end());
    return png;
}

inline void appendChunk(Bytes& png, const char* type, const Bytes& data)
{
    const uint32_t length = uint32_t(data.size());
    png.insert(png.end(), {uint8_t(length >> 24), uint8_t(length >> 16), uint8_t(length >> 8), uint8_t(length)});
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    const uint32_t crc = uint32_t(crc32(0, typed.data(), uInt(typed.size())));
    png.insert(png.end(), typed.begin(), typed.end());
    png.insert(png.end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
}

// A PNG of width x height 1-bit grey pixels in stripes, all there (deflated
// here a block of rows at a time: libpng would take a call a row).
inline Bytes pngOneBitStripes(uint32_t width, uint32_t height)
{
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header{uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                 uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height), 1, 0, 0, 0, 0};
    appendChunk(png, "IHDR", header);
    const uint32_t rowBytes = 1 + (width + 7) / 8;
    const uint32_t blockRows = std::max<uint32_t>(1, (1u << 17) / rowBytes);
    Bytes rows;
    for (uint32_t i = 0; i < blockRows; ++i) {
        rows.push_back(0);  // filter none, then white and black pixels in turn
        rows.insert(rows.end(), rowBytes - 1, 0xAA);
    }
    z_stream stream{};
    deflateInit(&stream, 9);
    Bytes packed(1 << 20);
    Bytes data;
    for (uint32_t done = 0; done < height;) {
        const uint32_t count = std::min<uint32_t>(height - done, blockRows);
        done += count;
        stream.next_in = rows.data();
        stream.avail_in = count * rowBytes;
        do {
            stream.next_out = packed.data();
            stream.avail_out = uInt(packed.size());
            deflate(&stream, done == height ? Z_FINISH : Z_NO_FLUSH);
            data.insert(data.end(), packed.data(), packed.data() + (packed.size() - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    appendChunk(png, "IDAT", data);
    appendChunk(png, "IEND", {});
    return png;
}

// The frame header of a JPEG made a SOFn of `marker` claiming width x
// height, its components sampled `sampling` (0: as written).
inline Bytes jpegClaiming(Bytes jpeg, int marker, int width, int height, int sampling = 0)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 1] = uint8_t(marker);
            jpeg[i + 5] = uint8_t(height >> 8), jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8), jpeg[i + 8] = uint8_t(width);
            for (int c = 0; sampling && c < jpeg[i + 9]; ++c)
                jpeg[i + 11 + size_t(c) * 3] = uint8_t(sampling);
            break;
        }
    return jpeg;
}

// A small progressive JPEG whose last scan is repeated until it has `scans`.
inline Bytes jpegWithScans(int scans)
{
    const Bytes jpeg = encoders::jpegFile({8, 8, encoders::JpegKind::progressive, 90, {}, {}}, busy);
    size_t last = 0;
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            last = i;
    Bytes out(jpeg.begin(), jpeg.begin() + long(last));
    const Bytes scan(jpeg.begin() + long(last), jpeg.end() - 2);
    for (int count = 0; count < scans; ++count)
        out.insert(out.end(), scan.begin(), scan.end());
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// A TGA of run-length 32-bit pixels, width x height of them in runs of 128.
inline Bytes tgaRunsClaiming(int width, int height)
{
    Bytes tga(18, 0);
    tga[2] = 10;
    putWord(tga, 12, width);
    putWord(tga, 14, height);
    tga[16] = 32;
    tga[17] = 8;
    for (int64_t run = 0; run < int64_t(width) * height / 128; ++run)
        tga.insert(tga.end(), {0xFF, 1, 2, 3, 255});  // 128 pixels of one colour
    return tga;
}

// A lossless WebP claiming width x height with alpha.
inline Bytes webpLosslessClaiming(uint32_t width, uint32_t height)
{
    Bytes webp = encoders::webpFile({}, busy);
    const uint32_t bits = (width - 1) | (height - 1) << 14 | 1u << 28;
    for (int i = 0; i < 4; ++i)
        webp[21 + size_t(i)] = uint8_t(bits >> (8 * i));
    return webp;
}

// A BMP of 1-bit pixels, all in the file.
inline Bytes bmpOneBit(int32_t width, int32_t height)
{
    const size_t stride = (size_t(width) + 31) / 32 * 4;
    const size_t rows = size_t(height < 0 ? -height : height);
    Bytes bmp(62, 0);
    bmp[0] = 'B', bmp[1] = 'M';
    put32(bmp, 10, 62);
    put32(bmp, 14, 40);
    put32(bmp, 18, width);
    put32(bmp, 22, height);
    bmp[26] = 1, bmp[28] = 1;
    bmp[58] = bmp[59] = bmp[60] = 255;  // entry 1 white
    bmp.resize(62 + stride * rows, 0x55);
    return bmp;
}

// A GIF of 4 x 4 whose LZW minimum code size is `size`.
inline Bytes gifWithCodeSize(int size)
{
    Bytes frame = gifFrameClaiming(4, 4);
    frame[16] = uint8_t(size);
    return gifOf(frame);
}

}  // namespace crafted
