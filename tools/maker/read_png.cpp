// SPDX-License-Identifier: GPL-3.0-or-later
// PNG through libpng: every bit depth, grey, palette with tRNS, alpha, 16-bit
// and interlaced pictures, to 8-bit RGB laid over black.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <png.h>

#include "colour_profile.h"
#include "exif_orientation.h"
#include "make_budget.h"
#include "picture_readers.h"
#include "row_fit.h"
#include "srgb_light.h"

namespace {

struct PngReading {
    std::span<const uint8_t> rest;
    char message[200] = "";
};

void readPngBytes(png_structp png, png_bytep target, size_t count)
{
    auto* reading = static_cast<PngReading*>(png_get_io_ptr(png));
    if (reading->rest.size() < count)
        png_error(png, "cut short");
    std::memcpy(target, reading->rest.data(), count);
    reading->rest = reading->rest.subspan(count);
}

[[noreturn]] void stopPng(png_structp png, png_const_charp message)
{
    auto* reading = static_cast<PngReading*>(png_get_error_ptr(png));
    std::snprintf(reading->message, sizeof reading->message, "%s", message);
    png_longjmp(png, 1);
}

void ignorePngWarning(png_structp, png_const_charp) {}

std::string reasonOf(const char* message)
{
    if (std::strcmp(message, "cut short") == 0)
        return "it is cut short";
    if (std::strstr(message, "Not enough image data"))
        return "its picture data is cut short";
    return "its data is corrupt (libpng: " + std::string(message) + ")";
}

// The data of the file's eXIf chunk, found by walking the chunks in place:
// libpng would allocate what its length declares.
std::span<const uint8_t> exifChunk(std::span<const uint8_t> file)
{
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 |
                                uint32_t(file[at + 2]) << 8 | file[at + 3];
        if (length > file.size() - at - 12)
            return {};
        if (std::memcmp(&file[at + 4], "eXIf", 4) == 0)
            return file.subspan(at + 8, length);
        if (std::memcmp(&file[at + 4], "IEND", 4) == 0)
            return {};
        at += 12 + size_t(length);
    }
    return {};
}

// Chunks the maker has no use for, which libpng would otherwise allocate at
// the length they declare before reading them: skipped as they are read.
constexpr png_byte skippedChunks[] = "tEXt\0zTXt\0iTXt\0sPLT\0pCAL\0sCAL\0eXIf\0";

// The most libpng allocates for one chunk other than the picture data (a
// colour profile, once inflated, is the largest the maker keeps).
constexpr png_alloc_size_t largestChunk = png_alloc_size_t(32) << 20;

struct PngStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngStructs() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// Runs `steps`, libpng calls that report an error by a longjmp; false when
// one did. Each group of calls has its setjmp to itself, apart from the C++
// around it: WebAssembly's setjmp handling wraps every call made in a
// function that calls setjmp, which made one function of all this many times
// its size in the browser's module.
template <typename Steps>
bool pngSteps(png_structp png, Steps&& steps)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    steps();
    return true;
}

}  // namespace

Picture readPng(std::span<const uint8_t> file, const ReadRequest& request)
{
    PngReading reading{file.subspan(8)};
    PngStructs structs;
    structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, stopPng, ignorePngWarning);
    structs.info = structs.png ? png_create_info_struct(structs.png) : nullptr;
    if (!structs.info)
        throw std::bad_alloc();
    png_structp png = structs.png;
    png_infop info = structs.info;
    const auto refuse = [&] { refuseUnreadable(PictureFormat::png, request.name, reasonOf(reading.message)); };

    if (!pngSteps(png, [&] {
            png_set_sig_bytes(png, 8);
            png_set_read_fn(png, &reading, readPngBytes);
            // The size limit is the maker's own, checked below.
            png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
            png_set_chunk_malloc_max(png, largestChunk);
            png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, skippedChunks, int(sizeof skippedChunks / 5));
            png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
            png_read_info(png, info);
        }))
        refuse();
    const int width = int(png_get_image_width(png, info));
    const int height = int(png_get_image_height(png, info));
    checkDeclaredSize(PictureFormat::png, request, width, height);
    // A picture that is not interlaced can be fitted row by row as it is
    // decoded. Interlaced passes fill the whole picture at once; with alpha
    // they keep four bytes a pixel. libpng's two rows may hold 64-bit pixels
    // on the way.
    const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    const bool alpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    // Where the orientation is matters not: the file is at hand whole.
    const int orientation = exifOrientation(exifChunk(file));
    // Counted as held whole even when it is not: the page keeps the picture
    // to fit it again, and the page and glimmer make refuse the same pictures
    // with the same words.
    checkMemoryBudget(PictureFormat::png, request, file.size(), width, height,
                      uint64_t(width) * uint64_t(height) * (interlaced && alpha ? 4 : 3) + uint64_t(width) * 20,
                      orientation);
    Picture picture = pictureOfSize(PictureFormat::png, width, height);
    picture.orientation = orientation;

    int passes = 1;
    if (!pngSteps(png, [&] {
            png_set_expand(png);
            png_set_scale_16(png);
            png_set_gray_to_rgb(png);
            passes = png_set_interlace_handling(png);
            png_read_update_info(png, info);
        }))
        refuse();
    const int channels = png_get_channels(png, info);
    Bytes profile;
    png_charp profileName = nullptr;
    png_bytep profileData = nullptr;
    png_uint_32 profileLength = 0;
    int compression = 0;
    if (png_get_iCCP(png, info, &profileName, &compression, &profileData, &profileLength))
        profile.assign(profileData, profileData + profileLength);
    const SrgbConversion conversion(profile, SourceLayout::rgb);
    if (!conversion.empty())
        picture.convertedFrom = conversion.description();

    RgbPicture& stored = picture.stored;
    const size_t pixels = size_t(width) * size_t(height);
    if (passes > 1) {
        // A picture with alpha is read whole with it and laid over black in
        // place afterwards.
        const size_t pixelBytes = channels == 4 ? 4 : 3;
        stored.rgb.resize(pixels * pixelBytes);
        if (!pngSteps(png, [&] {
                for (int pass = 0; pass < passes; ++pass)
                    for (int y = 0; y < height; ++y)
                        png_read_row(png, stored.rgb.data() + size_t(y) * size_t(width) * pixelBytes, nullptr);
            }))
            refuse();
        if (channels == 4) {
            layOverBlack(stored.rgb.data(), stored.rgb.data(), pixels);
            stored.rgb.resize(pixels * 3);
        }
        conversion.convert(stored.rgb.data(), stored.rgb.data(), pixels);
    } else {
        RowFit* fit = request.fitRows ? request.fitRows(picture) : nullptr;
        if (!fit)
            stored.rgb.resize(pixels * 3);
        std::vector<uint8_t> row(fit || channels == 4 ? size_t(width) * size_t(channels) : 0);
        std::vector<uint8_t> rgb(fit && channels == 4 ? size_t(width) * 3 : 0);
        for (int y = 0; y < height; ++y) {
            uint8_t* target = fit ? (rgb.empty() ? row.data() : rgb.data())
                                  : stored.rgb.data() + size_t(y) * size_t(width) * 3;
            if (!pngSteps(png, [&] { png_read_row(png, channels == 4 ? row.data() : target, nullptr); }))
                refuse();
            if (channels == 4)
                layOverBlack(row.data(), target, size_t(width));
            conversion.convert(target, target, size_t(width));
            if (fit)
                fit->takeRow(y, target);
        }
    }

    // The chunks after the pixels; a file that ends among them has all of its picture.
    if (!pngSteps(png, [&] { png_read_end(png, info); })) {
        const bool cut = std::strcmp(reading.message, "cut short") == 0;
        picture.warnings.push_back("the PNG picture '" + std::string(request.name) + "' " +
                                   (cut ? "is cut short" : "is damaged (libpng: " + std::string(reading.message) + ")") +
                                   " after its pixels, which are all there");
    }
    return picture;
}
