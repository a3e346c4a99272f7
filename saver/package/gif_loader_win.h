// SPDX-License-Identifier: MIT
// The saver's picture: decodes the package's GIF into a locked surface and
// reads its colour table.
#pragma once

#include <windows.h>
#include <ddraw.h>

// Decodes the GIF at `offset` (at most `length` bytes) of the file `path` into
// `surface`, locked over {0, 0, width, height}. Returns 1 after decoding (also
// when the data ends before its end code, and when the lock failed, after the
// box "lock error"), 0 when the file cannot be opened, is not a GIF, ends before
// its image, has a minimum code size outside 2 to 9 or the decoder's tables
// cannot be allocated.
int loadGifPicture(const wchar_t* path, LPDIRECTDRAWSURFACE surface, int width, int height, int offset, int length);

// Reads the 256-entry global colour table of the GIF at `offset` of `path`.
// Returns 0 after reading, 2 when the file cannot be opened.
int readGifPalette(const wchar_t* path, PALETTEENTRY* palette, int offset);
