// SPDX-License-Identifier: GPL-3.0-or-later
// giflib as the foreign encoder and decoder of the GIF tests and benchmark.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "../gif_test_support.h"

namespace giftest {

struct GiflibEncoding {
    int colourCount = 256;      // a power of 2 from 2 to 256: sets the minimum code size
    bool interlaced = false;
    bool gif89 = true;
    bool graphicControl = false;
};

inline int appendToBytes(GifFileType* gif, const GifByteType* bytes, int count)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + count);
    return count;
}

// `indices` (row after row) encoded by giflib's EGif functions, with a global
// colour table of `colourCount` entries and no local one.
inline Bytes giflibEncode(const Bytes& indices, int width, int height, const GiflibEncoding& encoding = {})
{
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToBytes, &error);
    if (!gif)
        return {};
    std::vector<GifColorType> colours(size_t(encoding.colourCount));
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = GifColorType{uint8_t(i * 3 + 1), uint8_t(255 - i), uint8_t(i * 7)};
    ColorMapObject* map = GifMakeMapObject(encoding.colourCount, colours.data());
    EGifSetGifVersion(gif, encoding.gif89);
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
    if (ok && encoding.graphicControl) {
        const uint8_t control[4] = {0, 0, 0, 0};
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, width, height, encoding.interlaced, nullptr) == GIF_OK;
    Bytes line(static_cast<size_t>(width), 0);
    for (int row : rowOrder(height, encoding.interlaced)) {
        if (!ok)
            break;
        std::memcpy(line.data(), indices.data() + size_t(row) * size_t(width), size_t(width));
        ok = EGifPutLine(gif, line.data(), width) == GIF_OK;
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return ok ? out : Bytes{};
}

struct MemoryReader {
    const uint8_t* bytes;
    size_t size;
    size_t position;
};

inline int readFromMemory(GifFileType* gif, GifByteType* buffer, int count)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    const size_t available = reader->size - reader->position;
    const size_t taken = std::min(available, size_t(count));
    std::memcpy(buffer, reader->bytes + reader->position, taken);
    reader->position += taken;
    return int(taken);
}

struct GiflibDecoding {
    bool slurped = false;       // DGifSlurp succeeded
    int imageCount = 0;
    bool localColourTable = false;
    int imageWidth = 0;
    int imageHeight = 0;
    Bytes raster;               // the first image, rows in order
};

// giflib's DGifSlurp over the same bytes.
inline GiflibDecoding giflibDecode(const uint8_t* bytes, size_t size)
{
    GiflibDecoding result;
    MemoryReader reader{bytes, size, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readFromMemory, &error);
    if (!gif)
        return result;
    result.slurped = DGifSlurp(gif) == GIF_OK;
    result.imageCount = gif->ImageCount;
    if (gif->ImageCount > 0 && gif->SavedImages[0].RasterBits) {
        const SavedImage& image = gif->SavedImages[0];
        result.localColourTable = image.ImageDesc.ColorMap != nullptr;
        result.imageWidth = image.ImageDesc.Width;
        result.imageHeight = image.ImageDesc.Height;
        result.raster.assign(image.RasterBits,
                             image.RasterBits + size_t(result.imageWidth) * size_t(result.imageHeight));
    }
    DGifCloseFile(gif, &error);
    return result;
}

inline GiflibDecoding giflibDecode(const Bytes& bytes)
{
    return giflibDecode(bytes.data(), bytes.size());
}

}  // namespace giftest
