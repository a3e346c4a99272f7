// SPDX-License-Identifier: GPL-3.0-or-later
// The EXIF orientation of a picture (libexif).
#pragma once

#include <cstdint>
#include <span>

// The orientation (1 to 8) that an EXIF block records; 1 when it records none
// or cannot be read. `exif` is a TIFF structure, with or without the
// "Exif\0\0" that a JPEG's APP1 segment puts in front of it.
int exifOrientation(std::span<const uint8_t> exif);
