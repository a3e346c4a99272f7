// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview_video.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

extern "C" {
#include <libavutil/opt.h>
}

#include "cli.h"
#include "ffmpeg_calls.h"
#include "file_io.h"

namespace {

struct FormatTraits {
    const char* muxer;
    const char* encoder;
    const char* codecName;
};

FormatTraits traitsOf(VideoFormat format)
{
    if (format == VideoFormat::mp4)
        return {"mp4", "libx264", "H.264"};
    return {"webm", "libvpx-vp9", "VP9"};
}

// FFmpeg reports its reasons through its log, from the encoders' threads too;
// the last error lines are kept for our own message instead of going to the
// terminal by themselves.
std::mutex ffmpegErrorsLock;
std::string ffmpegErrors;

void keepErrorLines(void* object, int level, const char* format, va_list arguments)
{
    if (level > AV_LOG_ERROR)
        return;
    char line[512];
    int prefix = 1;
    ffmpeg().av_log_format_line2(object, level, format, arguments, line, sizeof line, &prefix);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        return;
    const std::lock_guard lock(ffmpegErrorsLock);
    if (ffmpegErrors.size() > 2000)
        ffmpegErrors.clear();
    ffmpegErrors += (ffmpegErrors.empty() ? "" : "; ") + text;
}

void routeFfmpegLog()
{
    static std::once_flag routed;
    std::call_once(routed, [] { ffmpeg().av_log_set_callback(keepErrorLines); });
}

std::string errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    ffmpeg().av_strerror(code, text, sizeof text);
    std::string reason = text;
    const std::lock_guard lock(ffmpegErrorsLock);
    if (!ffmpegErrors.empty())
        reason += " (" + ffmpegErrors + ")";
    ffmpegErrors.clear();
    return reason;
}

// The file being made: written, sought and read back by the muxer (the MP4's
// index goes to the front once every frame is in).
struct MemoryFile {
    Bytes bytes;
    int64_t position = 0;
};

int writeToMemory(void* opaque, uint8_t* data, int size)
{
    auto* file = static_cast<MemoryFile*>(opaque);
    // No exception may cross FFmpeg's C frames.
    try {
        const size_t end = size_t(file->position) + size_t(size);
        if (end > file->bytes.size())
            file->bytes.resize(end);
        std::memcpy(file->bytes.data() + file->position, data, size_t(size));
    } catch (const std::bad_alloc&) {
        return AVERROR(ENOMEM);
    }
    file->position += size;
    return size;
}

int64_t seekInMemory(MemoryFile& file, int64_t offset, int whence)
{
    const int64_t size = int64_t(file.bytes.size());
    int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return size;
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = file.position + offset;
        break;
    case SEEK_END:
        target = size + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (target < 0)
        return AVERROR(EINVAL);
    file.position = target;
    return target;
}

int64_t seekWriter(void* opaque, int64_t offset, int whence)
{
    return seekInMemory(*static_cast<MemoryFile*>(opaque), offset, whence);
}

// A reader of the same bytes, with a position of its own.
struct MemoryReader {
    MemoryFile* file;
    MemoryFile view;  // only its position is used
};

int readFromMemory(void* opaque, uint8_t* data, int size)
{
    auto* reader = static_cast<MemoryReader*>(opaque);
    const int64_t available = int64_t(reader->file->bytes.size()) - reader->view.position;
    if (available <= 0)
        return AVERROR_EOF;
    const int count = int(std::min<int64_t>(available, size));
    std::memcpy(data, reader->file->bytes.data() + reader->view.position, size_t(count));
    reader->view.position += count;
    return count;
}

int64_t seekReader(void* opaque, int64_t offset, int whence)
{
    auto* reader = static_cast<MemoryReader*>(opaque);
    if ((whence & ~AVSEEK_FORCE) == AVSEEK_SIZE)
        return int64_t(reader->file->bytes.size());
    return seekInMemory(reader->view, offset, whence);
}

constexpr int ioBufferSize = 1 << 16;

AVIOContext* memoryContext(void* opaque, bool writing)
{
    auto* buffer = static_cast<unsigned char*>(ffmpeg().av_malloc(ioBufferSize));
    if (!buffer)
        return nullptr;
    AVIOContext* context = writing
                               ? ffmpeg().avio_alloc_context(buffer, ioBufferSize, 1, opaque, nullptr, writeToMemory, seekWriter)
                               : ffmpeg().avio_alloc_context(buffer, ioBufferSize, 0, opaque, readFromMemory, nullptr, seekReader);
    if (!context)
        ffmpeg().av_free(buffer);
    return context;
}

void freeMemoryContext(AVIOContext*& context)
{
    if (!context)
        return;
    ffmpeg().av_freep(&context->buffer);
    ffmpeg().avio_context_free(&context);
}

// BT.709 at limited range, as players assume for a tagged H.264 or VP9 video.
struct YuvTables {
    uint8_t luma[256];
    int chromaBlue[256];  // in sixteenths, so that the mean of four is rounded once
    int chromaRed[256];
};

YuvTables yuvTablesOf(std::span<const PaletteEntry> palette)
{
    constexpr double kr = 0.2126, kb = 0.0722, kg = 1 - kr - kb;
    YuvTables tables{};
    for (size_t i = 0; i < 256 && i < palette.size(); ++i) {
        const double r = palette[i].red, g = palette[i].green, b = palette[i].blue;
        const double y = kr * r + kg * g + kb * b;
        tables.luma[i] = uint8_t(std::lround(16 + y * 219 / 255));
        tables.chromaBlue[i] = int(std::lround(16 * (128 + (b - y) / (2 * (1 - kb)) * 224 / 255)));
        tables.chromaRed[i] = int(std::lround(16 * (128 + (r - y) / (2 * (1 - kr)) * 224 / 255)));
    }
    return tables;
}

}  // namespace

struct VideoWriter::State {
    OutputFile& output;
    std::string path;
    FormatTraits traits;
    YuvTables tables;
    int width;
    int height;
    int64_t framesSent = 0;
    MemoryFile file;
    std::vector<std::unique_ptr<MemoryReader>> readers;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* encoder = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;

    State(OutputFile& output, std::string path, FormatTraits traits, YuvTables tables, int width, int height)
        : output(output), path(std::move(path)), traits(traits), tables(tables), width(width), height(height)
    {
    }
    ~State()
    {
        ffmpeg().av_packet_free(&packet);
        ffmpeg().av_frame_free(&frame);
        ffmpeg().avcodec_free_context(&encoder);
        ffmpeg().avformat_free_context(format);
        freeMemoryContext(io);
    }

    [[noreturn]] void failWith(const std::string& what, int code)
    {
        fail("cannot write " + quotedName(path) + ": " + what + ": " + errorText(code));
    }

    static int openReader(AVFormatContext* context, AVIOContext** io, const char*, int flags, AVDictionary**)
    {
        if (flags & AVIO_FLAG_WRITE)
            return AVERROR(ENOSYS);
        auto* state = static_cast<State*>(context->opaque);
        try {
            state->readers.push_back(std::make_unique<MemoryReader>(MemoryReader{&state->file, {}}));
        } catch (const std::bad_alloc&) {
            return AVERROR(ENOMEM);
        }
        *io = memoryContext(state->readers.back().get(), false);
        return *io ? 0 : AVERROR(ENOMEM);
    }
    static int closeReader(AVFormatContext*, AVIOContext* io)
    {
        freeMemoryContext(io);
        return 0;
    }

    void sendToMuxer(AVFrame* input)
    {
        int result = ffmpeg().avcodec_send_frame(encoder, input);
        if (result < 0)
            failWith(std::string(traits.encoder) + " refused a frame", result);
        for (;;) {
            result = ffmpeg().avcodec_receive_packet(encoder, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return;
            if (result < 0)
                failWith(std::string(traits.encoder) + " failed", result);
            ffmpeg().av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = ffmpeg().av_interleaved_write_frame(format, packet);
            if (result < 0)
                failWith(std::string("FFmpeg's ") + traits.muxer + " writer failed", result);
        }
    }
};

const char* videoEncoderName(VideoFormat format)
{
    return traitsOf(format).encoder;
}

void requireEncoderNamed(const std::string& encoderName, const std::string& what, const std::string& path)
{
    if (!ffmpeg().avcodec_find_encoder_by_name(encoderName.c_str()))
        fail("cannot write " + quotedName(path) + ": the FFmpeg this glimmer is built with has no " + encoderName +
             " encoder, which " + what + " needs (Debian's libavcodec59 has it)");
}

void requireVideoEncoder(VideoFormat format, const std::string& path)
{
    const FormatTraits traits = traitsOf(format);
    requireEncoderNamed(traits.encoder, std::string("a ") + traits.codecName + " video", path);
}

VideoWriter::VideoWriter(OutputFile& output, std::string path, VideoFormat format,
                         std::span<const PaletteEntry> palette, int width, int height, int framesPerSecond)
{
    routeFfmpegLog();
    {
        const std::lock_guard lock(ffmpegErrorsLock);
        ffmpegErrors.clear();
    }
    const FormatTraits traits = traitsOf(format);
    state_ = std::make_unique<State>(output, std::move(path), traits, yuvTablesOf(palette), width, height);
    State& s = *state_;
    requireVideoEncoder(format, s.path);
    const AVCodec* codec = ffmpeg().avcodec_find_encoder_by_name(traits.encoder);

    int result = ffmpeg().avformat_alloc_output_context2(&s.format, nullptr, traits.muxer, nullptr);
    if (result < 0 || !s.format)
        s.failWith(std::string("FFmpeg has no ") + traits.muxer + " writer", result < 0 ? result : AVERROR(ENOSYS));
    s.io = memoryContext(&s.file, true);
    if (!s.io)
        throw std::bad_alloc();
    s.format->pb = s.io;
    s.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    s.format->opaque = &s;
    s.format->io_open = State::openReader;
    s.format->io_close2 = State::closeReader;

    s.encoder = ffmpeg().avcodec_alloc_context3(codec);
    s.frame = ffmpeg().av_frame_alloc();
    s.packet = ffmpeg().av_packet_alloc();
    if (!s.encoder || !s.frame || !s.packet)
        throw std::bad_alloc();
    s.encoder->width = width;
    s.encoder->height = height;
    s.encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    s.encoder->time_base = AVRational{1, framesPerSecond};
    s.encoder->framerate = AVRational{framesPerSecond, 1};
    s.encoder->color_primaries = AVCOL_PRI_BT709;
    s.encoder->color_trc = AVCOL_TRC_BT709;
    s.encoder->colorspace = AVCOL_SPC_BT709;
    s.encoder->color_range = AVCOL_RANGE_MPEG;
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER)
        s.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Chosen for about 3 kB a frame and a few milliseconds of CPU a frame at
    // 640 x 480: small enough to send, quick enough not to keep anyone waiting.
    AVDictionary* options = nullptr;
    if (format == VideoFormat::mp4) {
        ffmpeg().av_dict_set(&options, "preset", "veryfast", 0);
        ffmpeg().av_dict_set(&options, "crf", "23", 0);
    } else {
        s.encoder->bit_rate = 0;
        ffmpeg().av_dict_set(&options, "deadline", "realtime", 0);
        ffmpeg().av_dict_set(&options, "cpu-used", "6", 0);
        ffmpeg().av_dict_set(&options, "crf", "32", 0);
        ffmpeg().av_dict_set(&options, "row-mt", "1", 0);
    }
    result = ffmpeg().avcodec_open2(s.encoder, codec, &options);
    ffmpeg().av_dict_free(&options);
    if (result < 0)
        s.failWith(std::string(traits.encoder) + " would not start", result);

    s.stream = ffmpeg().avformat_new_stream(s.format, nullptr);
    if (!s.stream)
        throw std::bad_alloc();
    s.stream->time_base = s.encoder->time_base;
    s.stream->avg_frame_rate = s.encoder->framerate;
    result = ffmpeg().avcodec_parameters_from_context(s.stream->codecpar, s.encoder);
    if (result < 0)
        s.failWith("FFmpeg could not describe the stream", result);

    AVDictionary* muxerOptions = nullptr;
    if (format == VideoFormat::mp4)
        ffmpeg().av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
    result = ffmpeg().avformat_write_header(s.format, &muxerOptions);
    ffmpeg().av_dict_free(&muxerOptions);
    if (result < 0)
        s.failWith(std::string("FFmpeg's ") + traits.muxer + " writer would not start", result);

    s.frame->format = AV_PIX_FMT_YUV420P;
    s.frame->width = width;
    s.frame->height = height;
    s.frame->color_primaries = AVCOL_PRI_BT709;
    s.frame->color_trc = AVCOL_TRC_BT709;
    s.frame->colorspace = AVCOL_SPC_BT709;
    s.frame->color_range = AVCOL_RANGE_MPEG;
    result = ffmpeg().av_frame_get_buffer(s.frame, 0);
    if (result < 0)
        s.failWith("no memory for a frame", result);
}

VideoWriter::~VideoWriter() = default;

void VideoWriter::addFrame(std::span<const uint8_t> indices)
{
    State& s = *state_;
    const int result = ffmpeg().av_frame_make_writable(s.frame);
    if (result < 0)
        s.failWith("no memory for a frame", result);
    const YuvTables& tables = s.tables;
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* row = indices.data() + size_t(y) * size_t(s.width);
        uint8_t* luma = s.frame->data[0] + ptrdiff_t(y) * s.frame->linesize[0];
        for (int x = 0; x < s.width; ++x)
            luma[x] = tables.luma[row[x]];
    }
    // Each chroma sample is the mean of its two by two pixels (the last row
    // or column repeated at an odd edge).
    for (int y = 0; y < (s.height + 1) / 2; ++y) {
        const uint8_t* top = indices.data() + size_t(2 * y) * size_t(s.width);
        const uint8_t* bottom = indices.data() + size_t(std::min(2 * y + 1, s.height - 1)) * size_t(s.width);
        uint8_t* blue = s.frame->data[1] + ptrdiff_t(y) * s.frame->linesize[1];
        uint8_t* red = s.frame->data[2] + ptrdiff_t(y) * s.frame->linesize[2];
        for (int x = 0; x < (s.width + 1) / 2; ++x) {
            const int left = 2 * x, right = std::min(2 * x + 1, s.width - 1);
            const uint8_t four[4] = {top[left], top[right], bottom[left], bottom[right]};
            int sumBlue = 0, sumRed = 0;
            for (const uint8_t index : four) {
                sumBlue += tables.chromaBlue[index];
                sumRed += tables.chromaRed[index];
            }
            blue[x] = uint8_t((sumBlue + 32) / 64);
            red[x] = uint8_t((sumRed + 32) / 64);
        }
    }
    s.frame->pts = s.framesSent++;
    s.sendToMuxer(s.frame);
}

void VideoWriter::finish()
{
    State& s = *state_;
    s.sendToMuxer(nullptr);
    const int result = ffmpeg().av_write_trailer(s.format);
    if (result < 0)
        s.failWith(std::string("FFmpeg's ") + s.traits.muxer + " writer could not end the file", result);
    s.output.write(s.file.bytes);
}
