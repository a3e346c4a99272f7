// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>

#include "cli.h"
#include "ffmpeg_calls.h"
#include "library_calls.h"

namespace {

#define GLIMMER_TEXT(value) #value
#define GLIMMER_NUMBER_TEXT(value) GLIMMER_TEXT(value)

// The libraries, each by the name its version's package installs.
const char* const libraryNames[] = {
    "libavutil.so." GLIMMER_NUMBER_TEXT(LIBAVUTIL_VERSION_MAJOR),
    "libavcodec.so." GLIMMER_NUMBER_TEXT(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." GLIMMER_NUMBER_TEXT(LIBAVFORMAT_VERSION_MAJOR),
};

// Empty when every call was found, else why not.
std::string load(FfmpegCalls& calls)
{
#define GLIMMER_FFMPEG_CALL(name) LibraryCall{#name, reinterpret_cast<void**>(&calls.name)},
    const LibraryCall table[] = {GLIMMER_FFMPEG_CALLS(GLIMMER_FFMPEG_CALL)};
#undef GLIMMER_FFMPEG_CALL
    return loadLibraryCalls(libraryNames, table, "FFmpeg's libraries");
}

}  // namespace

const FfmpegCalls& ffmpeg()
{
    static FfmpegCalls calls;
    static const std::string failure = load(calls);
    if (!failure.empty())
        fail("cannot make a video: FFmpeg's libraries cannot be loaded (" + failure +
             "; Debian's libavformat" GLIMMER_NUMBER_TEXT(LIBAVFORMAT_VERSION_MAJOR) " package brings them)");
    return calls;
}
