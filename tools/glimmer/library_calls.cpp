// SPDX-License-Identifier: GPL-3.0-or-later
#include "library_calls.h"

#include <dlfcn.h>

#include <vector>

std::string loadLibraryCalls(std::span<const char* const> libraries, std::span<const LibraryCall> calls,
                             const std::string& owner)
{
    std::vector<void*> loaded;
    for (const char* library : libraries) {
        // Never closed: an encoder's threads may outlive a writer, and SDL its window.
        loaded.push_back(dlopen(library, RTLD_NOW | RTLD_LOCAL));
        if (!loaded.back())
            return dlerror();
    }
    for (const LibraryCall& call : calls) {
        *call.address = nullptr;
        for (void* library : loaded)
            if ((*call.address = dlsym(library, call.name)))
                break;
        if (!*call.address)
            return std::string(call.name) + " is missing from " + owner;
    }
    return "";
}
