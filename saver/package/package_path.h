// SPDX-License-Identifier: MIT
// Where the package is read from: the program's own file, or file.dat beside it.
#pragma once

#include <cstddef>

// Paths hold the platform's full length (MAX_PATH) and a terminator.
constexpr size_t pathCapacity = 260;

// Forms the package's path from `exePath`: a copy of it, or with
// `externalPackage` the directory followed by "file.dat". Returns 0, leaving
// `packagePath` empty, when the result does not fit.
int formPackagePath(const char* exePath, int externalPackage, char* packagePath, size_t capacity);
