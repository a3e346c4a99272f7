// SPDX-License-Identifier: GPL-3.0-or-later
#include "gif_encoder.h"

#include <cstring>
#include <string>

#include <gif_lib.h>

#include "maker_error.h"

namespace {

int writeToBytes(GifFileType* file, const GifByteType* buffer, int size)
{
    auto* target = static_cast<Bytes*>(file->UserData);
    target->insert(target->end(), buffer, buffer + size);
    return size;
}

std::string giflibText(int error)
{
    const char* text = GifErrorString(error);
    return text ? text : "unknown error";
}

}  // namespace

Bytes encodeGif(const IndexedPicture& picture)
{
    Bytes bytes;
    int error = 0;
    GifFileType* file = EGifOpen(&bytes, writeToBytes, &error);
    if (!file)
        refuse("giflib could not start a GIF: " + giflibText(error));
    std::array<GifColorType, paletteSize> colours{};
    for (int i = 0; i < paletteSize; ++i)
        colours[size_t(i)] = GifColorType{picture.palette[size_t(i)].red, picture.palette[size_t(i)].green,
                                          picture.palette[size_t(i)].blue};
    ColorMapObject* map = GifMakeMapObject(paletteSize, colours.data());
    EGifSetGifVersion(file, true);
    bool written = map && EGifPutScreenDesc(file, picture.width, picture.height, 8, 0, map) == GIF_OK &&
                   EGifPutImageDesc(file, 0, 0, picture.width, picture.height, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> row(size_t(picture.width));
    for (int y = 0; written && y < picture.height; ++y) {
        std::memcpy(row.data(), picture.indices.data() + size_t(y) * size_t(picture.width), row.size());
        written = EGifPutLine(file, row.data(), picture.width) == GIF_OK;
    }
    const std::string problem = written ? "" : giflibText(file->Error);
    if (map)
        GifFreeMapObject(map);
    if (EGifCloseFile(file, &error) != GIF_OK && written)
        refuse("giflib could not finish the GIF: " + giflibText(error));
    if (!written)
        refuse("giflib could not write the GIF: " + problem);
    return bytes;
}
