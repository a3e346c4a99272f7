// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>

#include "cli.h"
#include "library_calls.h"
#include "sdl_calls.h"

namespace {

#define GLIMMER_TEXT(value) #value
#define GLIMMER_NUMBER_TEXT(value) GLIMMER_TEXT(value)

// The library by the name its version's package installs.
const char* const libraryNames[] = {"libSDL2-" GLIMMER_NUMBER_TEXT(SDL_MAJOR_VERSION) ".0.so.0"};

// Empty when every call was found, else why not.
std::string load(SdlCalls& calls)
{
#define GLIMMER_SDL_CALL(name) LibraryCall{#name, reinterpret_cast<void**>(&calls.name)},
    const LibraryCall table[] = {GLIMMER_SDL_CALLS(GLIMMER_SDL_CALL)};
#undef GLIMMER_SDL_CALL
    return loadLibraryCalls(libraryNames, table, "SDL's library");
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
