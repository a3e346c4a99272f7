// SPDX-License-Identifier: GPL-3.0-or-later
// The files a preview writes: an animated GIF of every frame, or one frame as
// PNG (in colour) or PGM (the palette indices themselves).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "file_io.h"
#include "output_file.h"
#include "package/palette_entry.h"

// Frames of palette indices into an animated GIF with the picture's palette,
// looping for ever, streamed into `output`; finish() completes the GIF, and
// the caller then commits the output.
class AnimatedGifWriter {
public:
    AnimatedGifWriter(OutputFile& output, std::string path, std::span<const PaletteEntry> palette, int width,
                      int height, int delayHundredths);
    ~AnimatedGifWriter();
    AnimatedGifWriter(const AnimatedGifWriter&) = delete;
    AnimatedGifWriter& operator=(const AnimatedGifWriter&) = delete;

    void addFrame(std::span<const uint8_t> indices);
    void finish();

private:
    static int writeBytes(struct GifFileType* gif, const uint8_t* bytes, int size);
    [[noreturn]] void failWith(const std::string& what);

    OutputFile& output_;
    std::string path_;
    std::string writeFailure_;  // the output's own message, kept across giflib
    struct GifFileType* gif_ = nullptr;
    int width_;
    int height_;
    int delay_;
    std::vector<uint8_t> line_;
};

// A palette PNG of the frame: exact colours, small file.
Bytes encodePngFrame(std::span<const uint8_t> indices, int width, int height, std::span<const PaletteEntry> palette);

// Binary PGM (P5, maxval 255): each sample is the palette index.
Bytes encodePgmFrame(std::span<const uint8_t> indices, int width, int height);
