// SPDX-License-Identifier: GPL-3.0-or-later
// Making a tile meet itself without a hard edge when it is repeated.
#pragma once

#include "picture.h"

// Near each edge, within an eighth of the side, every pixel is blended with
// its mirror image across the tile (the pixel as far from the opposite edge),
// half and half at the edge and fading to none at the band's inner end:
// opposite edges then agree to within 1/(2 x band) of their difference in
// light (a 64th on a 256 side), and the centre is left as it was. Blended in linear light, across then down.
void blendEdgesTogether(RgbPicture& tile);

// How wide the band blended at each edge is, for a side of `size` pixels.
int seamlessBand(int size);
