// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview_output.h"

#include <cstring>

#include <gif_lib.h>
#include <png.h>

#include "cli.h"

namespace {

std::string gifError(int code)
{
    const char* text = GifErrorString(code);
    return text ? text : "unknown giflib error " + std::to_string(code);
}

}  // namespace

int AnimatedGifWriter::writeBytes(GifFileType* gif, const uint8_t* bytes, int size)
{
    auto* writer = static_cast<AnimatedGifWriter*>(gif->UserData);
    // No exception may cross giflib's C frames.
    try {
        writer->output_.write(std::span<const uint8_t>(bytes, size_t(size)));
    } catch (const CommandError& failure) {
        // giflib writes on after a failed write: the first failure is the
        // reason (a full disk), not the closed output that follows.
        if (writer->writeFailure_.empty())
            writer->writeFailure_ = failure.message;
        return 0;
    }
    return size;
}

AnimatedGifWriter::AnimatedGifWriter(OutputFile& output, std::string path, std::span<const PaletteEntry> palette,
                                     int width, int height, int delayHundredths)
    : output_(output), path_(std::move(path)), width_(width), height_(height), delay_(delayHundredths)
{
    int error = 0;
    gif_ = EGifOpen(this, writeBytes, &error);
    if (!gif_)
        failWith("giflib could not start it: " + gifError(error));

    GifColorType colours[paletteSize];
    for (int i = 0; i < paletteSize; ++i)
        colours[i] = GifColorType{palette[size_t(i)].red, palette[size_t(i)].green, palette[size_t(i)].blue};
    ColorMapObject* map = GifMakeMapObject(paletteSize, colours);
    EGifSetGifVersion(gif_, true);
    const bool started = map && EGifPutScreenDesc(gif_, width_, height_, 8, 0, map) == GIF_OK;
    if (map)
        GifFreeMapObject(map);
    // The application extension that makes viewers loop the animation.
    const GifByteType loopForEver[3] = {1, 0, 0};
    if (!started || EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") != GIF_OK ||
        EGifPutExtensionBlock(gif_, 3, loopForEver) != GIF_OK || EGifPutExtensionTrailer(gif_) != GIF_OK)
        failWith("giflib could not write its header: " + gifError(gif_->Error));
    line_.resize(size_t(width_) * size_t(height_));
}

AnimatedGifWriter::~AnimatedGifWriter()
{
    if (gif_) {
        int error = 0;
        EGifCloseFile(gif_, &error);
    }
}

void AnimatedGifWriter::failWith(const std::string& what)
{
    if (gif_) {
        int error = 0;
        EGifCloseFile(gif_, &error);
        gif_ = nullptr;
    }
    fail(writeFailure_.empty() ? "cannot write " + quotedName(path_) + ": " + what : writeFailure_);
}

void AnimatedGifWriter::addFrame(std::span<const uint8_t> indices)
{
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = delay_;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const size_t extensionSize = EGifGCBToExtension(&control, extension);
    // giflib takes the pixels through a non-const pointer.
    std::memcpy(line_.data(), indices.data(), line_.size());
    if (EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, int(extensionSize), extension) != GIF_OK ||
        EGifPutImageDesc(gif_, 0, 0, width_, height_, false, nullptr) != GIF_OK ||
        EGifPutLine(gif_, line_.data(), int(line_.size())) != GIF_OK)
        failWith(gifError(gif_->Error));
}

void AnimatedGifWriter::finish()
{
    int error = 0;
    const int closed = EGifCloseFile(gif_, &error);
    gif_ = nullptr;
    if (closed != GIF_OK)
        failWith(gifError(error));
}

Bytes encodePngFrame(std::span<const uint8_t> indices, int width, int height, std::span<const PaletteEntry> palette)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    image.colormap_entries = paletteSize;
    uint8_t colourMap[paletteSize * 3];
    for (int i = 0; i < paletteSize; ++i) {
        colourMap[i * 3] = palette[size_t(i)].red;
        colourMap[i * 3 + 1] = palette[size_t(i)].green;
        colourMap[i * 3 + 2] = palette[size_t(i)].blue;
    }
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, indices.data(), width, colourMap))
        fail(std::string("libpng could not write the frame: ") + image.message);
    Bytes bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, indices.data(), width, colourMap))
        fail(std::string("libpng could not write the frame: ") + image.message);
    bytes.resize(size);
    return bytes;
}

Bytes encodePgmFrame(std::span<const uint8_t> indices, int width, int height)
{
    const std::string header = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    Bytes bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), indices.begin(), indices.begin() + long(width) * height);
    return bytes;
}
