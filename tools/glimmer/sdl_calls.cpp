// SPDX-License-Identifier: GPL-3.0-or-later
#include <dlfcn.h>

#include <string>

#include "cli.h"
#include "sdl_calls.h"

namespace {

#define GLIMMER_TEXT(value) #value
#define GLIMMER_NUMBER_TEXT(value) GLIMMER_TEXT(value)

// The library by the name its version's package installs.
const char* const libraryName = "libSDL2-" GLIMMER_NUMBER_TEXT(SDL_MAJOR_VERSION) ".0.so.0";

// Empty when every call was found, else why not.
std::string load(SdlCalls& calls)
{
    // Kept loaded for the rest of the run, as a linked library would be.
    void* library = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return dlerror();
#define GLIMMER_SDL_FIND(name)                                                 \
    calls.name = reinterpret_cast<decltype(calls.name)>(dlsym(library, #name)); \
    if (!calls.name)                                                           \
        return std::string(#name) + " is missing from SDL's library";
    GLIMMER_SDL_CALLS(GLIMMER_SDL_FIND)
#undef GLIMMER_SDL_FIND
    return "";
}

}  // namespace

const SdlCalls& sdl()
{
    static SdlCalls calls;
    static const std::string failure = load(calls);
    if (!failure.empty())
        fail("cannot open a window: SDL's library cannot be loaded (" + failure +
             "; Debian's libsdl2-2.0-0 package brings it)");
    return calls;
}
