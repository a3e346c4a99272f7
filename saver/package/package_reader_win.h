// SPDX-License-Identifier: MIT
// The saver's own package: where it lives and the header read at start-up.
#pragma once

#include "package/package_format.h"
#include "package/package_path.h"

// Build setting: 0 reads the package appended to the program at byte 61440,
// non-zero reads file.dat beside the program from its byte 0.
constexpr int externalPackage = GLIMMER_EXTERNAL_PACKAGE;

// The package's path, formed by readPackageHeader for the rest of the run
// (null before). Wide, so that a folder named in any script can be opened.
extern wchar_t* packagePath;
extern ImagePackage imagePackage;

// Forms packagePath from `exePath` (the program's path, or with
// externalPackage its directory), opens it and loads imagePackage. Returns 1 on
// success, 0 on failure; a file that cannot be opened is reported in the box
// "error opening file".
int readPackageHeader(const wchar_t* exePath);
