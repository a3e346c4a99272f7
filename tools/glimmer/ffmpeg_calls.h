// SPDX-License-Identifier: GPL-3.0-or-later
// FFmpeg's calls that video previews make. FFmpeg's libraries bring some
// hundred more with them (every codec Debian builds in), which would cost
// every glimmer command tens of milliseconds and megabytes at start-up: they
// are loaded when the first video is made, not linked.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#define GLIMMER_FFMPEG_CALLS(CALL)                                                                           \
    CALL(av_dict_free) CALL(av_dict_set) CALL(av_frame_alloc) CALL(av_frame_free) CALL(av_frame_get_buffer) \
    CALL(av_frame_make_writable) CALL(av_free) CALL(av_freep) CALL(av_interleaved_write_frame)             \
    CALL(av_log_format_line2) CALL(av_log_set_callback) CALL(av_malloc) CALL(av_packet_alloc)              \
    CALL(av_packet_free) CALL(av_packet_rescale_ts) CALL(av_strerror) CALL(av_write_trailer)               \
    CALL(avcodec_alloc_context3) CALL(avcodec_find_encoder_by_name) CALL(avcodec_free_context)             \
    CALL(avcodec_open2) CALL(avcodec_parameters_from_context) CALL(avcodec_receive_packet)                 \
    CALL(avcodec_send_frame) CALL(avformat_alloc_output_context2) CALL(avformat_free_context)              \
    CALL(avformat_new_stream) CALL(avformat_write_header) CALL(avio_alloc_context) CALL(avio_context_free)

struct FfmpegCalls {
#define GLIMMER_FFMPEG_POINTER(name) decltype(&::name) name = nullptr;
    GLIMMER_FFMPEG_CALLS(GLIMMER_FFMPEG_POINTER)
#undef GLIMMER_FFMPEG_POINTER
};

// FFmpeg's calls, its libraries loaded on the first call (those of the
// version glimmer was built with); fails with the reason when they cannot be.
const FfmpegCalls& ffmpeg();
