// SPDX-License-Identifier: GPL-3.0-or-later
// How a step of the maker refuses its input: a kind and its numbers, so that
// each caller can word it with its own controls. The maker knows no command
// line: `glimmer make` words a refusal with its flags and exits with status 2,
// the web page words it with its controls' names.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "tile_choice.h"

enum class RefusalKind {
    plain,           // damage, a file cut short, a format not supported, a library's failure: `detail` says it all
    tooManyPixels,   // `name` declares width x height, more than `limit` pixels; `unfitted` when the fit keeps
                     // the picture's own size; `detail` names the part that declares it ("its first frame") or is empty
    tooLargeForGif,  // kept at its own size, width x height passes what a GIF can hold (65535 a side)
    unshowable,      // the saver's record would be width x height, which preview and play cannot show; `detail` says why
    badCrop,         // `crop` is not a part of the upright picture of width x height; `detail` says why
    badTurn,         // `turn` degrees is not a quarter turn
};

struct MakeRefusal {
    RefusalKind kind = RefusalKind::plain;
    std::string detail;
    std::string name;
    int64_t width = 0;
    int64_t height = 0;
    int64_t limit = 0;
    bool unfitted = false;
    CropRect crop;
    int turn = 0;
};

// A refusal of kind `kind` about a picture or record of width x height.
inline MakeRefusal sizeRefusal(RefusalKind kind, int64_t width, int64_t height, std::string detail = {})
{
    MakeRefusal refusal;
    refusal.kind = kind;
    refusal.width = width;
    refusal.height = height;
    refusal.detail = std::move(detail);
    return refusal;
}

// "the rectangle of 10 x 20 at 5,6 of the 640 x 480 picture", for a badCrop refusal.
std::string cropText(const MakeRefusal& refusal);

// The refusal in words that name no control, for callers that have none.
std::string plainRefusalText(const MakeRefusal& refusal);

struct MakeError : std::runtime_error {
    explicit MakeError(MakeRefusal why) : std::runtime_error(plainRefusalText(why)), refusal(std::move(why)) {}
    MakeRefusal refusal;
};

[[noreturn]] inline void refuse(MakeRefusal refusal)
{
    throw MakeError(std::move(refusal));
}

[[noreturn]] inline void refuse(const std::string& message)
{
    MakeRefusal refusal;
    refusal.detail = message;
    refuse(std::move(refusal));
}
