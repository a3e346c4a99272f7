// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the make, preview and play tests: running glimmer in-process, a
// private folder per test, pictures written by other encoders (stb_image_write,
// giflib), and readers of what glimmer writes (PGM, GIF, package).
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <gif_lib.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "tool_run.h"
#include "file_io.h"
#include "package/package_format.h"
#include "fit_picture.h"
#include "gif_encoder.h"
#include "gif_reencode_reasons.h"
#include "picture_format.h"
#include "picture_readers.h"
#include "quantise_picture.h"
#include "srgb_light.h"
#include "tool_test_folder.h"

namespace makertest {

namespace fs = std::filesystem;

// The make, preview and play tests' fixture.
class MakerTest : public ToolFolderTest {};

// An RGB picture from a function of (x, y) giving 0xRRGGBB.
inline RgbPicture rgbPicture(int width, int height, const std::function<uint32_t(int, int)>& colour)
{
    RgbPicture picture{width, height, std::vector<uint8_t>(size_t(width) * size_t(height) * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t value = colour(x, y);
            uint8_t* pixel = &picture.rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            pixel[0] = uint8_t(value >> 16);
            pixel[1] = uint8_t(value >> 8);
            pixel[2] = uint8_t(value);
        }
    return picture;
}

// The picture as a reader hands it on, stored upright.
inline Picture storedPicture(RgbPicture rgb)
{
    Picture picture;
    picture.fileWidth = rgb.width;
    picture.fileHeight = rgb.height;
    picture.stored = std::move(rgb);
    return picture;
}

// A picture file read as make reads it for `fit`.
inline Picture readPictureFile(const Bytes& file, const std::string& name, FitMode fit = FitMode::none)
{
    const auto format = detectPictureFormat(file, nullptr);
    EXPECT_TRUE(format.has_value()) << name;
    return readPicture(file, format.value_or(PictureFormat::png), ReadRequest{name, fit});
}

inline void appendToBytes(void* context, void* data, int size)
{
    auto* bytes = static_cast<Bytes*>(context);
    const auto* begin = static_cast<const uint8_t*>(data);
    bytes->insert(bytes->end(), begin, begin + size);
}

// The picture in a file format that stb_image_write encodes.
inline Bytes encodeWithStb(PictureFormat format, const RgbPicture& picture)
{
    Bytes bytes;
    const int width = picture.width;
    const int height = picture.height;
    const void* pixels = picture.rgb.data();
    int written = 0;
    switch (format) {
    case PictureFormat::png:
        written = stbi_write_png_to_func(appendToBytes, &bytes, width, height, 3, pixels, width * 3);
        break;
    case PictureFormat::jpeg:
        written = stbi_write_jpg_to_func(appendToBytes, &bytes, width, height, 3, pixels, 92);
        break;
    case PictureFormat::bmp:
        written = stbi_write_bmp_to_func(appendToBytes, &bytes, width, height, 3, pixels);
        break;
    case PictureFormat::tga:
        written = stbi_write_tga_to_func(appendToBytes, &bytes, width, height, 3, pixels);
        break;
    case PictureFormat::gif:
    case PictureFormat::webp:
        break;
    }
    EXPECT_NE(written, 0);
    return bytes;
}

inline int appendGifBytes(GifFileType* gif, const GifByteType* bytes, int count)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + count);
    return count;
}

// A GIF written block by block with giflib, for the shapes that glimmer's own
// encoder never writes.
struct GifShape {
    int width = 256;
    int height = 256;
    int globalColours = 256;   // 0: no global colour table
    int frames = 1;
    bool localTable = false;
    bool transparency = false;
    std::string commentBeforeImage;  // written as a comment extension when not empty
};

inline Bytes giflibGif(const GifShape& shape, const std::function<uint8_t(int, int)>& index)
{
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendGifBytes, &error);
    EXPECT_NE(gif, nullptr);
    auto makeMap = [](int count) {
        std::vector<GifColorType> colours(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            colours[size_t(i)] = GifColorType{uint8_t(i), uint8_t(255 - i), uint8_t((i * 37) & 255)};
        return GifMakeMapObject(count, colours.data());
    };
    ColorMapObject* global = shape.globalColours ? makeMap(shape.globalColours) : nullptr;
    ColorMapObject* local = shape.localTable ? makeMap(256) : nullptr;
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, shape.width, shape.height, 8, 0, global) == GIF_OK;
    if (ok && !shape.commentBeforeImage.empty())
        ok = EGifPutComment(gif, shape.commentBeforeImage.c_str()) == GIF_OK;
    const int colours = shape.localTable ? 256 : std::max(shape.globalColours, 2);
    for (int frame = 0; ok && frame < shape.frames; ++frame) {
        if (shape.transparency) {
            const uint8_t control[4] = {1, 0, 0, 0};  // transparent colour 0
            ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
        }
        ok = ok && EGifPutImageDesc(gif, 0, 0, shape.width, shape.height, false, local) == GIF_OK;
        std::vector<GifPixelType> line(size_t(shape.width));
        for (int y = 0; ok && y < shape.height; ++y) {
            for (int x = 0; x < shape.width; ++x)
                line[size_t(x)] = GifPixelType((index(x, y) + frame) % colours);
            ok = EGifPutLine(gif, line.data(), shape.width) == GIF_OK;
        }
    }
    EGifCloseFile(gif, &error);
    if (global)
        GifFreeMapObject(global);
    if (local)
        GifFreeMapObject(local);
    EXPECT_TRUE(ok);
    return out;
}

struct MemoryGif {
    const Bytes* bytes;
    size_t position;
};

inline int readGifBytes(GifFileType* gif, GifByteType* buffer, int count)
{
    auto* source = static_cast<MemoryGif*>(gif->UserData);
    const size_t taken = std::min(source->bytes->size() - source->position, size_t(count));
    std::memcpy(buffer, source->bytes->data() + source->position, taken);
    source->position += taken;
    return int(taken);
}

// Every image of a GIF as giflib reads it.
struct SlurpedGif {
    bool read = false;
    int screenWidth = 0;
    int screenHeight = 0;
    std::vector<PaletteEntry> globalColours;
    std::vector<Bytes> images;
    std::vector<int> delays;
    bool loops = false;
};

inline SlurpedGif slurpGif(const Bytes& bytes)
{
    SlurpedGif result;
    MemoryGif source{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, readGifBytes, &error);
    if (!gif)
        return result;
    if (DGifSlurp(gif) == GIF_OK) {
        result.read = true;
        result.screenWidth = gif->SWidth;
        result.screenHeight = gif->SHeight;
        if (gif->SColorMap)
            for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
                const GifColorType colour = gif->SColorMap->Colors[i];
                result.globalColours.push_back(PaletteEntry{colour.Red, colour.Green, colour.Blue, 0});
            }
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            const size_t size = size_t(image.ImageDesc.Width) * size_t(image.ImageDesc.Height);
            result.images.emplace_back(image.RasterBits, image.RasterBits + size);
            GraphicsControlBlock control{};
            result.delays.push_back(DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK ? control.DelayTime : -1);
            for (int e = 0; e < image.ExtensionBlockCount; ++e) {
                const ExtensionBlock& block = image.ExtensionBlocks[e];
                if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                    std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0)
                    result.loops = true;
            }
        }
    }
    DGifCloseFile(gif, &error);
    return result;
}

// Record 0 of the package that a saver or file.dat holds.
inline ImagePackage packageOf(const Bytes& file)
{
    ImagePackage package{};
    const size_t start = file.size() >= 18 && std::memcmp(file.data(), packageMagic, 18) == 0 ? 0 : size_t(packageOffset);
    EXPECT_GE(file.size(), start + packageHeaderSize);
    if (file.size() >= start + packageHeaderSize)
        EXPECT_EQ(parsePackageHeader(file.data() + start, packageHeaderSize, &package), 1);
    return package;
}

// The GIF of record 0.
inline Bytes recordZeroGif(const Bytes& file)
{
    const ImagePackage package = packageOf(file);
    return Bytes(file.begin() + package.offset[0], file.begin() + package.offset[0] + package.length[0]);
}

// The 256 colours the saver takes: 768 bytes from byte 13 of the GIF.
inline std::vector<PaletteEntry> saverColours(const Bytes& gif)
{
    std::vector<PaletteEntry> colours;
    for (int i = 0; i < paletteSize; ++i)
        colours.push_back(PaletteEntry{gif[size_t(13 + i * 3)], gif[size_t(14 + i * 3)], gif[size_t(15 + i * 3)], 0});
    return colours;
}

inline bool sameColour(const PaletteEntry& a, const PaletteEntry& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

inline std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace makertest
