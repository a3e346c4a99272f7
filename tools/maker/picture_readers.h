// SPDX-License-Identifier: GPL-3.0-or-later
// One reader per family of picture files. Each checks the declared size of
// the one frame it uses before it allocates anything of that size, decodes
// that frame only, converts an embedded colour profile to sRGB, records the
// EXIF orientation, and refuses a file that is cut short or corrupt with the
// real reason (or keeps what was read with a one-line warning, when all of
// the picture was there).
#pragma once

#include <span>

#include "picture.h"

Picture readPng(std::span<const uint8_t> file, const ReadRequest& request);
// Decoded at the smallest DCT scale that still gives the fitted size.
Picture readJpeg(std::span<const uint8_t> file, const ReadRequest& request);
// The first frame, on the logical screen.
Picture readGif(std::span<const uint8_t> file, const ReadRequest& request);
// The first frame of an animation.
Picture readWebp(std::span<const uint8_t> file, const ReadRequest& request);
Picture readBmp(std::span<const uint8_t> file, const ReadRequest& request);
Picture readTga(std::span<const uint8_t> file, const ReadRequest& request);

// The reader of `format`.
Picture readPicture(std::span<const uint8_t> file, PictureFormat format, const ReadRequest& request);
