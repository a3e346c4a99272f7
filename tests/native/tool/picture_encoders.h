// SPDX-License-Identifier: GPL-3.0-or-later
// Picture files written in the tests with the libraries' own encoders
// (libpng, libjpeg, libwebp with its mux library), with what a camera or an
// editor puts in them: an EXIF orientation, an ICC colour profile.
#pragma once

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "picture.h"

namespace encoders {

// Red, green, blue and opacity of pixel (x, y).
using Pixels = std::function<std::array<uint8_t, 4>(int x, int y)>;

// A TIFF block as EXIF stores it (little-endian), holding only an orientation.
inline Bytes exifOrientationBlock(int orientation)
{
    return Bytes{'I', 'I', 42, 0, 8, 0, 0, 0,           // header, first directory at 8
                 1, 0,                                  // one entry
                 0x12, 0x01, 3, 0, 1, 0, 0, 0,          // orientation, SHORT, one value
                 uint8_t(orientation), 0, 0, 0,         // the value
                 0, 0, 0, 0};                           // no next directory
}

// An ICC profile with Display P3's primaries and the sRGB curve, made with
// lcms2.
inline Bytes displayP3Profile()
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const double curve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* tone = cmsBuildParametricToneCurve(nullptr, 4, curve);
    cmsToneCurve* curves[3] = {tone, tone, tone};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsMLU* name = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(name, "en", "US", "Display P3");
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, name);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsMLUfree(name);
    cmsFreeToneCurve(tone);
    cmsCloseProfile(profile);
    return bytes;
}

struct PngShape {
    int width = 48;
    int height = 32;
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlaced = false;
    bool transparentIndexZero = false;  // palette pictures: tRNS makes entry 0 transparent
    Bytes profile;
    Bytes exif;
};

inline void appendPng(png_structp png, png_bytep data, size_t size)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

// Samples are written at the shape's depth; palette pictures index a palette
// of the picture's first 256 distinct colours in raster order.
inline Bytes pngFile(const PngShape& shape, const Pixels& pixels)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng could not write the test picture";
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendPng, nullptr);
    png_set_IHDR(png, info, png_uint_32(shape.width), png_uint_32(shape.height), shape.depth, shape.colourType,
                 shape.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<std::array<uint8_t, 4>> palette;
    const bool indexed = shape.colourType == PNG_COLOR_TYPE_PALETTE;
    std::vector<std::vector<uint16_t>> samples(size_t(shape.height));
    for (int y = 0; y < shape.height; ++y)
        for (int x = 0; x < shape.width; ++x) {
            const auto pixel = pixels(x, y);
            const int grey = pixel[0];
            auto& row = samples[size_t(y)];
            const int top = (1 << shape.depth) - 1;
            auto scaled = [&](int value) { return uint16_t((value * top + 127) / 255); };
            if (indexed) {
                auto found = std::find(palette.begin(), palette.end(), pixel);
                if (found == palette.end())
                    found = palette.insert(palette.end(), pixel);
                row.push_back(uint16_t(found - palette.begin()));
            } else if (!(shape.colourType & PNG_COLOR_MASK_COLOR)) {
                row.push_back(scaled(grey));
            } else {
                for (int channel = 0; channel < 3; ++channel)
                    row.push_back(scaled(pixel[size_t(channel)]));
            }
            if (shape.colourType & PNG_COLOR_MASK_ALPHA)
                row.push_back(scaled(pixel[3]));
        }
    if (indexed) {
        std::vector<png_color> colours;
        std::vector<png_byte> opacity;
        for (const auto& entry : palette) {
            colours.push_back(png_color{entry[0], entry[1], entry[2]});
            opacity.push_back(entry[3]);
        }
        png_set_PLTE(png, info, colours.data(), int(colours.size()));
        if (shape.transparentIndexZero)
            png_set_tRNS(png, info, opacity.data(), int(opacity.size()), nullptr);
    }
    if (!shape.profile.empty())
        png_set_iCCP(png, info, "test", 0, shape.profile.data(), png_uint_32(shape.profile.size()));
    if (!shape.exif.empty())
        png_set_eXIf_1(png, info, png_uint_32(shape.exif.size()), const_cast<png_bytep>(shape.exif.data()));
    png_write_info(png, info);
    if (shape.depth == 16)
        png_set_swap(png);  // samples are handed over in host order
    // Rows packed at the shape's depth.
    const int passes = png_set_interlace_handling(png);
    std::vector<std::vector<png_byte>> rows;
    for (const auto& row : samples) {
        std::vector<png_byte> bytes;
        if (shape.depth == 16) {
            for (uint16_t sample : row) {
                bytes.push_back(png_byte(sample & 255));
                bytes.push_back(png_byte(sample >> 8));
            }
        } else {
            bytes.assign((row.size() * size_t(shape.depth) + 7) / 8, 0);
            for (size_t i = 0; i < row.size(); ++i)
                bytes[i * size_t(shape.depth) / 8] |=
                    png_byte(row[i] << (8 - shape.depth - int(i * size_t(shape.depth) % 8)));
        }
        rows.push_back(std::move(bytes));
    }
    for (int pass = 0; pass < passes; ++pass)
        for (auto& row : rows)
            png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

enum class JpegKind { baseline, progressive, grey, cmyk, ycck };

struct JpegShape {
    int width = 48;
    int height = 32;
    JpegKind kind = JpegKind::baseline;
    int quality = 95;
    Bytes profile;
    Bytes exif;
};

// CMYK and YCCK are written as Photoshop writes them: with an Adobe marker
// and the ink inverted (255 is none), the ink from the pixel's colour.
inline Bytes jpegFile(const JpegShape& shape, const Pixels& pixels)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(shape.width);
    info.image_height = JDIMENSION(shape.height);
    const bool ink = shape.kind == JpegKind::cmyk || shape.kind == JpegKind::ycck;
    const bool grey = shape.kind == JpegKind::grey;
    info.input_components = grey ? 1 : ink ? 4 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : ink ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, shape.quality, TRUE);
    if (shape.kind == JpegKind::ycck)
        jpeg_set_colorspace(&info, JCS_YCCK);
    if (ink)
        info.write_Adobe_marker = TRUE;
    if (shape.kind == JpegKind::progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (!shape.exif.empty()) {
        Bytes segment{'E', 'x', 'i', 'f', 0, 0};
        segment.insert(segment.end(), shape.exif.begin(), shape.exif.end());
        jpeg_write_marker(&info, JPEG_APP0 + 1, segment.data(), unsigned(segment.size()));
    }
    if (!shape.profile.empty())
        jpeg_write_icc_profile(&info, shape.profile.data(), unsigned(shape.profile.size()));
    std::vector<uint8_t> row(size_t(shape.width) * size_t(info.input_components));
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < shape.width; ++x) {
            const auto pixel = pixels(x, int(info.next_scanline));
            uint8_t* target = &row[size_t(x) * size_t(info.input_components)];
            if (grey) {
                target[0] = pixel[0];
            } else if (ink) {
                // Inverted ink: the most black that leaves the brightest channel.
                const uint8_t most = std::max({pixel[0], pixel[1], pixel[2]});
                for (int channel = 0; channel < 3; ++channel)
                    target[channel] = most ? uint8_t(pixel[size_t(channel)] * 255 / most) : 255;
                target[3] = most;
            } else {
                std::memcpy(target, pixel.data(), 3);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

enum class WebpKind { lossy, lossless, alpha, animation };

struct WebpShape {
    int width = 48;
    int height = 32;
    WebpKind kind = WebpKind::lossless;
    Bytes profile;
    Bytes exif;
};

// An ARGB picture for libwebp; `invert` inverts its colours.
inline void fillWebpPicture(WebPPicture& picture, const WebpShape& shape, const Pixels& pixels, bool invert)
{
    WebPPictureInit(&picture);
    picture.use_argb = 1;
    picture.width = shape.width;
    picture.height = shape.height;
    WebPPictureAlloc(&picture);
    for (int y = 0; y < shape.height; ++y)
        for (int x = 0; x < shape.width; ++x) {
            auto pixel = pixels(x, y);
            if (invert)
                for (int channel = 0; channel < 3; ++channel)
                    pixel[size_t(channel)] = uint8_t(255 - pixel[size_t(channel)]);
            const uint32_t alpha = shape.kind == WebpKind::alpha ? pixel[3] : 255;
            picture.argb[y * picture.argb_stride + x] =
                alpha << 24 | uint32_t(pixel[0]) << 16 | uint32_t(pixel[1]) << 8 | pixel[2];
        }
}

// An animation has a second frame of other colours (the first's inverted),
// which must not be what is read.
inline Bytes webpFile(const WebpShape& shape, const Pixels& pixels)
{
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = shape.kind != WebpKind::lossy;
    config.quality = shape.kind == WebpKind::lossy ? 95 : 100;
    config.exact = 1;
    WebPPicture picture;
    fillWebpPicture(picture, shape, pixels, false);
    Bytes image;
    if (shape.kind == WebpKind::animation) {
        WebPAnimEncoderOptions options;
        WebPAnimEncoderOptionsInit(&options);
        WebPAnimEncoder* encoder = WebPAnimEncoderNew(shape.width, shape.height, &options);
        WebPPicture second;
        fillWebpPicture(second, shape, pixels, true);
        WebPAnimEncoderAdd(encoder, &picture, 0, &config);
        WebPAnimEncoderAdd(encoder, &second, 100, &config);
        WebPAnimEncoderAdd(encoder, nullptr, 200, nullptr);
        WebPData data;
        WebPDataInit(&data);
        EXPECT_TRUE(WebPAnimEncoderAssemble(encoder, &data));
        image.assign(data.bytes, data.bytes + data.size);
        WebPDataClear(&data);
        WebPPictureFree(&second);
        WebPAnimEncoderDelete(encoder);
    } else {
        WebPMemoryWriter writer;
        WebPMemoryWriterInit(&writer);
        picture.writer = WebPMemoryWrite;
        picture.custom_ptr = &writer;
        EXPECT_TRUE(WebPEncode(&config, &picture));
        image.assign(writer.mem, writer.mem + writer.size);
        WebPMemoryWriterClear(&writer);
    }
    WebPPictureFree(&picture);
    if (shape.profile.empty() && shape.exif.empty())
        return image;
    // The profile and EXIF go in through the mux library.
    const WebPData imageData{image.data(), image.size()};
    WebPMux* mux = WebPMuxCreate(&imageData, 1);
    if (!shape.profile.empty()) {
        const WebPData profile{shape.profile.data(), shape.profile.size()};
        WebPMuxSetChunk(mux, "ICCP", &profile, 1);
    }
    if (!shape.exif.empty()) {
        const WebPData exif{shape.exif.data(), shape.exif.size()};
        WebPMuxSetChunk(mux, "EXIF", &exif, 1);
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    EXPECT_EQ(WebPMuxAssemble(mux, &assembled), WEBP_MUX_OK);
    Bytes out(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    WebPMuxDelete(mux);
    return out;
}

}  // namespace encoders
