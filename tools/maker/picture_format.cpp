// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture_format.h"

#include <cctype>
#include <cstring>
#include <string_view>

#include "package/package_format.h"

namespace {

using namespace std::string_view_literals;

bool startsWith(std::span<const uint8_t> file, std::string_view prefix, size_t at = 0)
{
    return file.size() >= at + prefix.size() && std::memcmp(file.data() + at, prefix.data(), prefix.size()) == 0;
}

// A kind of file people take for a picture, which the maker does not read.
std::string otherKindOf(std::span<const uint8_t> file)
{
    if (startsWith(file, "8BPS"sv))
        return "a Photoshop file";
    if (startsWith(file, "#?RADIANCE"sv) || startsWith(file, "#?RGBE"sv))
        return "an HDR file";
    if (file.size() >= 3 && file[0] == 'P' && file[1] >= '1' && file[1] <= '7' && std::isspace(file[2]))
        return "a PNM file";
    if (startsWith(file, "II*"sv) || startsWith(file, "MM\0*"sv))
        return "a TIFF file";
    if (startsWith(file, "ftyp"sv, 4))
        return "a HEIF/AVIF file";
    if (startsWith(file, "\x53\x80\xF6\x34"sv))
        return "a Softimage PIC file";
    if (startsWith(file, "\xFF\x0A"sv) || startsWith(file, "\0\0\0\x0CJXL "sv))
        return "a JPEG XL file";
    if (startsWith(file, "\0\0\0\x0CjP  "sv))
        return "a JPEG 2000 file";
    // Also the start of a colour-mapped TGA without its colour map, which is
    // no TGA.
    if (startsWith(file, "\0\0\1\0"sv))
        return "an ICO icon";
    if (startsWith(file, std::string_view(packageMagic)) || startsWith(file, "MZ"sv))
        return "a saver or package, not a picture";
    return "";
}

}  // namespace

std::optional<PictureFormat> detectPictureFormat(std::span<const uint8_t> file, std::string* refusedName)
{
    if (startsWith(file, "GIF8"sv))
        return PictureFormat::gif;
    if (startsWith(file, "\x89PNG\r\n\x1a\n"sv))
        return PictureFormat::png;
    if (startsWith(file, "\xFF\xD8\xFF"sv))
        return PictureFormat::jpeg;
    if (startsWith(file, "BM"sv))
        return PictureFormat::bmp;
    if (startsWith(file, "RIFF"sv) && startsWith(file, "WEBP"sv, 8))
        return PictureFormat::webp;
    const std::string other = otherKindOf(file);
    if (!other.empty()) {
        if (refusedName)
            *refusedName = other;
        return std::nullopt;
    }
    // TGA: colour-map type 0 or 1, a known image type, and a pixel size that
    // type can have.
    if (file.size() >= 18 && file[1] <= 1) {
        const int type = file[2] & ~8;
        const int depth = file[16];
        if ((type == 1 && file[1] == 1 && depth == 8) || (type == 2 && (depth == 15 || depth == 16 || depth == 24 || depth == 32)) ||
            (type == 3 && depth == 8) || (type == 3 && depth == 16))
            return PictureFormat::tga;
    }
    return std::nullopt;
}
