// SPDX-License-Identifier: GPL-3.0-or-later
// The page's choice of tile as its worker hands it over, a flat JSON object:
//   {"crop": [x, y, width, height] or null, "turn": 0|90|180|270, "seamless": true|false}
// (each member may be left out).
#pragma once

#include <optional>
#include <string_view>

#include "tile_choice.h"

struct TileChoice {
    std::optional<CropRect> crop;
    int turn = 0;
    bool seamless = false;
};

// The choice, or nothing when the text is not such an object.
std::optional<TileChoice> parseTileChoice(std::string_view json);
