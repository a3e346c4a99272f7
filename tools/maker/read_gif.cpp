// SPDX-License-Identifier: GPL-3.0-or-later
// GIF through giflib, record by record: only the first frame is decoded, one
// line at a time, once its size has been checked (DGifSlurp would decode
// every frame of an animation, whatever size each claims, before the first
// could be looked at).
#include <algorithm>
#include <cstring>
#include <memory>

#include <gif_lib.h>

#include "make_budget.h"
#include "picture_readers.h"

namespace {

int readFromBytes(GifFileType* gif, GifByteType* buffer, int size)
{
    auto* rest = static_cast<std::span<const uint8_t>*>(gif->UserData);
    const size_t count = std::min(rest->size(), size_t(std::max(size, 0)));
    std::memcpy(buffer, rest->data(), count);
    *rest = rest->subspan(count);
    return int(count);
}

std::string reasonOf(int error)
{
    switch (error) {
    case D_GIF_ERR_READ_FAILED:
    case D_GIF_ERR_EOF_TOO_SOON:
        return "it is cut short";
    case D_GIF_ERR_NOT_ENOUGH_MEM:
        return "there is not enough memory";
    default: {
        const char* text = GifErrorString(error);
        return "its data is corrupt (giflib: " + std::string(text ? text : "unknown error") + ")";
    }
    }
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

}  // namespace

Picture readGif(std::span<const uint8_t> file, const ReadRequest& request)
{
    auto fail = [&](int error) { refuseUnreadable(PictureFormat::gif, request.name, reasonOf(error)); };
    std::span<const uint8_t> rest = file;
    int openError = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&rest, readFromBytes, &openError));
    if (!gif)
        fail(openError);

    // Up to the first image descriptor, keeping the transparent colour of
    // the graphic control extension in front of it.
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR)
            fail(gif->Error);
        if (record == IMAGE_DESC_RECORD_TYPE)
            break;
        if (record == TERMINATE_RECORD_TYPE)
            refuseUnreadable(PictureFormat::gif, request.name, "it holds no picture");
        if (record != EXTENSION_RECORD_TYPE)
            continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
            fail(gif->Error);
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparent = control.TransparentColor;
        }
        while (block)
            if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                fail(gif->Error);
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
        fail(gif->Error);

    const GifImageDesc& frame = gif->Image;
    // The picture is the logical screen, or the frame where a screen of no
    // size is declared.
    const int width = gif->SWidth > 0 ? gif->SWidth : frame.Left + frame.Width;
    const int height = gif->SHeight > 0 ? gif->SHeight : frame.Top + frame.Height;
    checkDeclaredSize(PictureFormat::gif, request, width, height);
    checkDeclaredSize(PictureFormat::gif, request, frame.Width, frame.Height, "its first frame");
    const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colours)
        refuseUnreadable(PictureFormat::gif, request.name, "it has no colour table");

    checkMemoryBudget(PictureFormat::gif, request, file.size(), width, height,
                      uint64_t(width) * uint64_t(height) * 3 + uint64_t(frame.Width) * 2);
    Picture picture = pictureOfSize(PictureFormat::gif, width, height);
    RgbPicture& stored = picture.stored;
    // Transparent pixels and what the frame does not cover are black.
    stored.rgb.assign(size_t(width) * size_t(height) * 3, 0);
    std::vector<GifPixelType> line(size_t(frame.Width));
    auto place = [&](int frameRow) {
        const int y = frame.Top + frameRow;
        if (y >= height)
            return;
        uint8_t* target = stored.rgb.data() + size_t(y) * size_t(width) * 3;
        for (int x = 0; x < frame.Width && frame.Left + x < width; ++x) {
            const int index = line[size_t(x)];
            if (index == transparent || index >= colours->ColorCount)
                continue;
            const GifColorType& colour = colours->Colors[index];
            uint8_t* pixel = target + size_t(frame.Left + x) * 3;
            pixel[0] = colour.Red;
            pixel[1] = colour.Green;
            pixel[2] = colour.Blue;
        }
    };
    static const int passStart[4] = {0, 4, 2, 1};
    static const int passStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < (frame.Interlace ? 4 : 1); ++pass)
        for (int row = frame.Interlace ? passStart[pass] : 0; row < frame.Height;
             row += frame.Interlace ? passStep[pass] : 1) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
                fail(gif->Error);
            place(row);
        }
    return picture;
}
