// SPDX-License-Identifier: MIT
// Where the package is read from: the program's own file, or file.dat beside it.
#pragma once

#include <cstddef>

// The platform's classic path length (MAX_PATH) with its terminator; a
// program's own name can be longer.
constexpr size_t pathCapacity = 260;

// The characters of `text` before its terminator.
template <typename Char>
size_t pathLength(const Char* text);

// The capacity, terminator included, that formPackagePath needs for `exePath`.
template <typename Char>
size_t packagePathCapacity(const Char* exePath, int externalPackage);

// Forms the package's path from `exePath`: a copy of it, or with
// `externalPackage` the directory followed by "file.dat". Returns 0, leaving
// `packagePath` empty, when the result does not fit. Narrow for the tools and
// tests, wide for the Windows program, whose paths may hold any character.
template <typename Char>
int formPackagePath(const Char* exePath, int externalPackage, Char* packagePath, size_t capacity);
