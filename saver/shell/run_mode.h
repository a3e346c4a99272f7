// SPDX-License-Identifier: MIT
// How the saver reads its command line: the run mode from the argument text,
// the owner window of the password change, and where the program lives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/package_path.h"

enum RunMode { About = 1, ChangePassword = 2, Preview = 3, Saver = 4 };

// The owner-handle text: the digits of the password mode's argument.
constexpr size_t ownerHandleTextCapacity = 16;

// The first two characters of the argument text choose the mode; a match in
// the second overrides one in the first. Only a lower-case "p" means Preview.
RunMode chooseRunMode(const char* argumentText);

// A first character "w" (lower case only) runs the saver in a window.
int isWindowedTestMode(const char* argumentText);

// The owner window of the password change: from the fourth character on, blanks
// and colons skipped, read as a signed decimal number; 0 when there is none.
intptr_t parseOwnerHandle(const char* argumentText);

// Fills `exePath` from the program's own file name: the name itself, or with
// `externalPackage` its directory including the final backslash (empty when
// the name has no backslash). Returns 0, leaving `exePath` empty, when the
// result does not fit `capacity` with its terminator. `exePath` may be
// `moduleFileName` itself.
template <typename Char>
int deriveExePath(const Char* moduleFileName, int externalPackage, Char* exePath, size_t capacity);
