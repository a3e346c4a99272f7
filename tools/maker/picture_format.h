// SPDX-License-Identifier: GPL-3.0-or-later
// Which kind of picture a file holds, told once from its first bytes.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "picture.h"

// The picture format by its signature. TGA has none: a file that is none of
// the others (nor a kind refused by name) and whose header is a TGA's counts
// as TGA. When the format is not one the maker reads, `refusedName` says what
// the file is ("an ICO icon", "a TIFF file"), if it can tell.
std::optional<PictureFormat> detectPictureFormat(std::span<const uint8_t> file, std::string* refusedName);
