// SPDX-License-Identifier: GPL-3.0-or-later
// A preview as a video to share: H.264 in MP4 or VP9 in WebM, through
// FFmpeg's libraries.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "output_file.h"
#include "package/palette_entry.h"

enum class VideoFormat { mp4, webm };

// Refuses, with the reason, an output whose encoder this build's FFmpeg lacks.
// Called before any work is done.
void requireVideoEncoder(VideoFormat format, const std::string& path);

// The name FFmpeg gives the encoder of a format ("libx264", "libvpx-vp9").
const char* videoEncoderName(VideoFormat format);

// Fails with the reason unless FFmpeg has an encoder by this name.
void requireEncoderNamed(const std::string& encoderName, const std::string& what, const std::string& path);

// Frames of palette indices, converted to BT.709 YUV 4:2:0, into a video at
// `framesPerSecond`. The file is made in memory, since an MP4 gets its index
// moved to its front once every frame is in, and finish() writes it into
// `output`; the caller then commits the output.
class VideoWriter {
public:
    VideoWriter(OutputFile& output, std::string path, VideoFormat format, std::span<const PaletteEntry> palette,
                int width, int height, int framesPerSecond);
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    void addFrame(std::span<const uint8_t> indices);
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};
