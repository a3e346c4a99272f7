// SPDX-License-Identifier: GPL-3.0-or-later
// Calls found in shared libraries loaded when a command first needs them
// (FFmpeg's for videos, SDL's for play), not linked into every command.
#pragma once

#include <span>
#include <string>

struct LibraryCall {
    const char* name;
    void** address;  // where the call's address goes
};

// Loads `libraries` (kept loaded for the rest of the run) and finds each of
// `calls` in them. Empty when every call was found, else why not; `owner`
// names the libraries in that reason ("FFmpeg's libraries").
std::string loadLibraryCalls(std::span<const char* const> libraries, std::span<const LibraryCall> calls,
                             const std::string& owner);
