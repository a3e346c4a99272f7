// SPDX-License-Identifier: GPL-3.0-or-later
// WebP through libwebp and libwebpdemux: lossy, lossless, with alpha, and the
// first frame of an animation.
#include <memory>
#include <string>

#include <webp/decode.h>
#include <webp/demux.h>

#include "colour_profile.h"
#include "exif_orientation.h"
#include "make_budget.h"
#include "picture_readers.h"
#include "srgb_light.h"

namespace {

std::string reasonOf(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA: return "it is cut short";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "a kind of WebP that is not supported";
    case VP8_STATUS_OUT_OF_MEMORY: return "there is not enough memory";
    default: return "its data is corrupt (libwebp status " + std::to_string(int(status)) + ")";
    }
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};

std::span<const uint8_t> chunkOf(WebPDemuxer* demuxer, const char* fourcc)
{
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demuxer, fourcc, 1, &chunk))
        return {};
    const std::span<const uint8_t> bytes(chunk.chunk.bytes, chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    return bytes;
}

}  // namespace

Picture readWebp(std::span<const uint8_t> file, const ReadRequest& request)
{
    auto fail = [&](const std::string& reason) { refuseUnreadable(PictureFormat::webp, request.name, reason); };
    const WebPData data{file.data(), file.size()};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    std::unique_ptr<WebPDemuxer, DemuxDeleter> demuxer(WebPDemuxPartial(&data, &state));
    if (!demuxer || state == WEBP_DEMUX_PARSE_ERROR)
        fail("its data is corrupt (its chunks cannot be followed)");
    if (state != WEBP_DEMUX_DONE)
        fail("it is cut short");
    const int width = int(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH));
    const int height = int(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT));
    checkDeclaredSize(PictureFormat::webp, request, width, height);
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demuxer.get(), 1, &frame))
        fail("it holds no picture");
    const std::span<const uint8_t> bitstream(frame.fragment.bytes, frame.fragment.size);
    const int left = frame.x_offset, top = frame.y_offset;
    const int frameWidth = frame.width, frameHeight = frame.height;
    const bool alpha = frame.has_alpha;
    WebPDemuxReleaseIterator(&frame);
    checkDeclaredSize(PictureFormat::webp, request, frameWidth, frameHeight, "its first frame");
    if (left + frameWidth > width || top + frameHeight > height)
        fail("its data is corrupt (its first frame lies outside the picture)");

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        fail("a kind of WebP that is not supported (libwebp version)");
    const VP8StatusCode features = WebPGetFeatures(bitstream.data(), bitstream.size(), &config.input);
    if (features != VP8_STATUS_OK)
        fail(reasonOf(features));
    if (config.input.width != frameWidth || config.input.height != frameHeight)
        fail("its data is corrupt (its first frame is not the size it declares)");

    // libwebp keeps a few rows of its own (and, for alpha, a plane of it)
    // besides the pixels it writes.
    const uint64_t framePixels = uint64_t(frameWidth) * uint64_t(frameHeight);
    const bool whole = left == 0 && top == 0 && frameWidth == width && frameHeight == height;
    checkMemoryBudget(PictureFormat::webp, request, file.size(), width, height,
                      uint64_t(width) * uint64_t(height) * (whole && alpha ? 4 : 3) +
                          (whole ? 0 : framePixels * 4) + (alpha ? framePixels : 0) +
                          uint64_t(frameWidth) * 256);
    Picture picture = pictureOfSize(PictureFormat::webp, width, height);
    RgbPicture& stored = picture.stored;
    const size_t pixels = size_t(width) * size_t(height);
    // A frame that is the whole picture is decoded into the picture itself
    // (with its alpha, laid over black in place); any other into a buffer of
    // its own, laid over black where it lies.
    std::vector<uint8_t> partRgba;
    stored.rgb.assign(pixels * (whole && alpha ? 4 : 3), 0);
    std::vector<uint8_t>& target = whole ? stored.rgb : partRgba;
    if (!whole)
        partRgba.resize(size_t(frameWidth) * size_t(frameHeight) * 4);
    const int channels = whole && !alpha ? 3 : 4;
    config.output.is_external_memory = 1;
    config.output.colorspace = channels == 3 ? MODE_RGB : MODE_RGBA;
    config.output.u.RGBA.rgba = target.data();
    config.output.u.RGBA.stride = frameWidth * channels;
    config.output.u.RGBA.size = target.size();
    const VP8StatusCode decoded = WebPDecode(bitstream.data(), bitstream.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (decoded != VP8_STATUS_OK)
        fail(reasonOf(decoded));
    if (whole && alpha) {
        layOverBlack(stored.rgb.data(), stored.rgb.data(), pixels);
        stored.rgb.resize(pixels * 3);
    }
    if (!whole)
        for (int y = 0; y < frameHeight; ++y)
            layOverBlack(partRgba.data() + size_t(y) * size_t(frameWidth) * 4,
                         stored.rgb.data() + (size_t(top + y) * size_t(width) + size_t(left)) * 3, size_t(frameWidth));

    const std::span<const uint8_t> exif = chunkOf(demuxer.get(), "EXIF");
    if (!exif.empty())
        picture.orientation = exifOrientation(exif);
    convertToSrgb(picture, chunkOf(demuxer.get(), "ICCP"));
    return picture;
}
