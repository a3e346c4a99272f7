// Turning any picture into the one the saver shows: read, fitted to the
// 256 x 256 texture, quantised to 256 colours and written as a GIF that the
// saver's loader reads exactly.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "file_io.h"
#include "package/palette_entry.h"

constexpr int makeSize = 256;

enum class PictureFormat { gif, png, jpeg, bmp, tga };
enum class FitMode { cover, contain, stretch, none };

// The picture format by its first bytes; TGA has no signature, so anything
// that is none of the others (nor a format we refuse by name) counts as TGA.
std::optional<PictureFormat> detectPictureFormat(std::span<const uint8_t> file, std::string* refusedName);
const char* pictureFormatName(PictureFormat format);

std::optional<FitMode> parseFitMode(std::string_view text);
const char* fitModeName(FitMode mode);

// Three bytes a pixel (red, green, blue), rows `width` pixels apart.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// Reads a picture file of any accepted format; fails with a message that names
// `path` when it cannot. Transparent pixels are laid over black, as the saver
// has no transparency. For a GIF this is its first frame.
RgbPicture loadPicture(std::span<const uint8_t> file, const std::string& path);

// The picture at 256 x 256 (or unchanged with FitMode::none). Scaling averages
// the covered area in linear light when shrinking and interpolates when
// enlarging; `contain` fills the margins with black.
RgbPicture fitPicture(const RgbPicture& picture, FitMode mode);

// A picture of palette indices with a full 256-entry palette.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;
    std::array<PaletteEntry, paletteSize> palette{};
    int coloursUsed = 0;  // entries that the quantiser produced; the rest repeat the darkest of them
};

// Quantises with libimagequant; `dither` 0 (none) to 1 (full).
IndexedPicture quantisePicture(const RgbPicture& picture, double dither);

// A non-interlaced GIF89a with a 256-entry global colour table, no extensions.
Bytes encodeGif(const IndexedPicture& picture);

// What makes the GIF unreadable before its picture data (a header, table or
// block cut short, no picture at all); empty when its structure holds.
std::string gifDamage(std::span<const uint8_t> gif);

// Why the saver would not show this GIF as other programs do; empty when it
// can be packed unchanged. `anySize` accepts any picture size (FitMode::none).
std::vector<std::string> gifReencodeReasons(std::span<const uint8_t> gif, bool anySize);
