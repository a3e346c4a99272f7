// SPDX-License-Identifier: GPL-3.0-or-later
// The memory a make may take, and the check each reader makes against it
// from what the header declares, before it allocates the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "picture.h"

// What a make may allocate for one picture, its file's bytes included: with
// the program's own memory, a make stays under 400 MB.
constexpr uint64_t makeMemoryBudget = uint64_t(340) << 20;

// The bytes that fitting a picture stored at storedWidth x storedHeight (of
// a file declaring fileWidth x fileHeight) allocates with `mode`, for the
// orientation given, or for the costlier of the upright and the turned one
// when it is not known yet.
uint64_t fitMemoryBytes(int fileWidth, int fileHeight, int storedWidth, int storedHeight,
                        std::optional<int> orientation, FitMode mode);

// Refuses the picture when its file, what its reader allocates
// (`readerBytes`, worked out by the reader from the header) and fitting it
// would take more than the budget; the message names the size, the fit and
// the megabytes.
void checkMemoryBudget(PictureFormat format, const ReadRequest& request, size_t fileBytes, int width, int height,
                       uint64_t readerBytes, std::optional<int> orientation = std::nullopt,
                       int storedWidth = 0, int storedHeight = 0);
