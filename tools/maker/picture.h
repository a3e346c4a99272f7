// SPDX-License-Identifier: GPL-3.0-or-later
// The values that the maker's steps hand on: a picture as its file stores it,
// with what the later steps need to know about it, and the fitted picture.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bytes.h"
#include "tile_choice.h"

// The saver's texture is 256 x 256.
constexpr int makeSize = 256;
// Larger pictures would need gigabytes on the way to 256 x 256.
constexpr int64_t maxPicturePixels = 100'000'000;
// With --fit none the picture goes to the quantiser and into the GIF at its
// own size, several copies of it at once: larger ones would need more than
// the 400 MB a make may take (the saver shows 255 x 255 pixels of it anyway).
constexpr int64_t maxUnfittedPixels = 25'000'000;

enum class PictureFormat { gif, png, jpeg, bmp, tga, webp };
enum class FitMode { cover, contain, stretch, none };

const char* pictureFormatName(PictureFormat format);

// Three bytes a pixel (red, green, blue), rows `width` pixels apart.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// A picture as read from its file: sRGB pixels in the order the file stores
// them, at the file's size or (a JPEG decoded at a smaller DCT scale) less.
struct Picture {
    RgbPicture stored;
    PictureFormat format = PictureFormat::png;
    int fileWidth = 0;   // the stored size the file declares
    int fileHeight = 0;
    int orientation = 1;         // EXIF orientation (1 to 8) that fitting applies
    std::string convertedFrom;   // the colour profile converted to sRGB; empty when taken as sRGB
    std::vector<std::string> warnings;  // damage that was read past, one line each
};

// A picture of `format` whose file declares width x height, stored at that
// size (its pixels not yet allocated).
Picture pictureOfSize(PictureFormat format, int width, int height);

// The size the picture is shown at once its orientation is applied.
int uprightWidth(const Picture& picture);
int uprightHeight(const Picture& picture);

class RowFit;

// What a reader is asked for: `name` names the picture in messages, and the
// fit mode lets a JPEG be decoded no larger than fitting needs. With
// `fitRows`, a reader that decodes rows in stored order (a PNG that is not
// interlaced) calls it once with the picture's header (its sizes, orientation
// and colour profile; no pixels yet). Given a fit, it hands each row on to it
// as it decodes it instead of keeping the picture, and returns the picture
// without pixels; given none, it keeps the picture. Other readers keep the
// picture.
struct ReadRequest {
    std::string_view name;
    FitMode fit = FitMode::cover;
    int turn = 0;                   // clockwise after the EXIF orientation
    std::optional<CropRect> crop;   // of the turned picture: a JPEG is decoded no larger than it needs
    std::function<RowFit*(const Picture& header)> fitRows = nullptr;
};

// Refusals that every reader shares. The reason says what is wrong: "it is cut
// short", "its data is corrupt (...)", "a kind of BMP that is not supported (...)".
[[noreturn]] void refuseUnreadable(PictureFormat format, std::string_view name, const std::string& reason);
// Refuses a declared size of no pixels or of more than 100 megapixels (25
// with FitMode::none, which keeps the picture at its size all the way into
// the GIF); called before anything of that size is allocated.
void checkDeclaredSize(PictureFormat format, const ReadRequest& request, int64_t width, int64_t height,
                       std::string_view what = "");
