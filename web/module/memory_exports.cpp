// SPDX-License-Identifier: GPL-3.0-or-later
// Memory for the bytes the page or the worker hands in to either module.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdlib>

extern "C" {

// Given back with glimmer_release.
EMSCRIPTEN_KEEPALIVE uint8_t* glimmer_reserve(size_t size)
{
    return static_cast<uint8_t*>(std::malloc(size ? size : 1));
}

EMSCRIPTEN_KEEPALIVE void glimmer_release(void* bytes)
{
    std::free(bytes);
}

}  // extern "C"
