// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the package of a saver or a file.dat held in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "package/gif_decoder.h"
#include "package/package_format.h"
#include "saver_package.h"

// The saver's own tests of a GIF's signature and of the package's magic, at
// byte `at` of a file.
bool startsWithGif(std::span<const uint8_t> file);
bool packageMagicAt(std::span<const uint8_t> file, size_t at);

// The logical screen size of a GIF; refused unless `gif` starts like a GIF.
GifSize readGifScreenSize(std::span<const uint8_t> gif);

// Where a file's package header starts: 0 for a file.dat (its first bytes are
// the magic, or `external` says so), 61440 for a saver.
long packageStartOf(std::span<const uint8_t> file, bool external);

// Whether the file holds a package where packageStartOf says: a saver or a
// file.dat rather than a picture.
bool holdsPackage(std::span<const uint8_t> file);

// Reads a file's package header with the saver's reader; refused with a
// message when the file is too short, the magic is wrong or the header ends
// early.
ImagePackage readPackageOf(std::span<const uint8_t> file, long start, const std::string& path);

// Whether preview and play can make the picture surface of a record of this
// size: 1 to 65535 pixels a side and at most maxSurfacePixels in all (beyond
// that a preview needs gigabytes). Empty when they can, else why not. make and
// pack refuse other sizes unless told to go on.
std::string unshowableRecordReason(int64_t width, int64_t height);
constexpr int64_t maxSurfacePixels = 64 * 1024 * 1024;
