// SPDX-License-Identifier: GPL-3.0-or-later
// The part of the picture that the person chose for the tile: a quarter turn
// of the upright picture and a rectangle of the turned one.
#pragma once

#include <optional>

// In pixels of the upright (EXIF-oriented, then turned) picture.
struct CropRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The EXIF orientation (1 to 8) that shows the stored picture upright and
// then turned clockwise by `turn` degrees (0, 90, 180 or 270).
int turnedOrientation(int orientation, int turn);

// Refuses a turn that is not 0, 90, 180 or 270 degrees (RefusalKind::badTurn).
void checkTurn(int turn);
// Refuses a crop of no pixels, or one that is not inside an upright picture of
// width x height (RefusalKind::badCrop).
void checkCrop(const std::optional<CropRect>& crop, int width, int height);
