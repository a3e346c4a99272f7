// SPDX-License-Identifier: GPL-3.0-or-later
#include <dlfcn.h>

#include <string>

#include "cli.h"
#include "ffmpeg_calls.h"

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
    void* libraries[std::size(libraryNames)] = {};
    for (size_t i = 0; i < std::size(libraryNames); ++i) {
        // Kept loaded for the rest of the run: encoders' threads may outlive a writer.
        libraries[i] = dlopen(libraryNames[i], RTLD_NOW | RTLD_LOCAL);
        if (!libraries[i])
            return dlerror();
    }
    const auto find = [&](const char* name) -> void* {
        for (void* library : libraries)
            if (void* address = dlsym(library, name))
                return address;
        return nullptr;
    };
#define GLIMMER_FFMPEG_FIND(name)                                          \
    calls.name = reinterpret_cast<decltype(calls.name)>(find(#name));      \
    if (!calls.name)                                                       \
        return std::string(#name) + " is missing from FFmpeg's libraries";
    GLIMMER_FFMPEG_CALLS(GLIMMER_FFMPEG_FIND)
#undef GLIMMER_FFMPEG_FIND
    return "";
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
