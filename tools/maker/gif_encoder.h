// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the picture the saver shows (giflib).
#pragma once

#include "picture.h"
#include "quantise_picture.h"

// A non-interlaced GIF89a with a 256-entry global colour table, no extensions.
Bytes encodeGif(const IndexedPicture& picture);
