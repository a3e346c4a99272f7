// SPDX-License-Identifier: MIT
// The saver's own package: where it lives and the header read at start-up.
#pragma once

#include "package/package_format.h"
#include "package/package_path.h"

// Build setting: 0 reads the package appended to the program at byte 61440,
// non-zero reads file.dat beside the program from its byte 0.
constexpr int externalPackage = GLIMMER_EXTERNAL_PACKAGE;

extern char packagePath[pathCapacity];
extern ImagePackage imagePackage;

// Forms packagePath from `exePath` (the program's path, or with
// externalPackage its directory), opens it and loads imagePackage. Returns 1 on
// success, 0 on failure; a file that cannot be opened is reported in the box
// "error opening file".
int readPackageHeader(const char* exePath);
