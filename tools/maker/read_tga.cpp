// SPDX-License-Identifier: GPL-3.0-or-later
// TGA through stb_image's TGA loader, compiled here on its own. Its pixels are
// decoded straight into the picture's own buffer (stb_image's allocation of
// exactly that size is served from it), so that no second copy is made.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "make_budget.h"
#include "picture_readers.h"
#include "srgb_light.h"

namespace {

// The one allocation that stb_image may take from the picture's buffer.
struct Reservation {
    uint8_t* memory = nullptr;
    size_t size = 0;
    bool taken = false;
};
thread_local Reservation reservation;

void* allocateForTga(size_t size)
{
    if (reservation.memory && !reservation.taken && size == reservation.size) {
        reservation.taken = true;
        return reservation.memory;
    }
    return std::malloc(size);
}

void freeForTga(void* memory)
{
    if (memory != reservation.memory)
        std::free(memory);
}

[[maybe_unused]] void* reallocateForTga(void* memory, size_t size)
{
    return memory && memory == reservation.memory ? nullptr : std::realloc(memory, size);
}

}  // namespace

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_MALLOC(size) allocateForTga(size)
#define STBI_FREE(memory) freeForTga(memory)
#define STBI_REALLOC(memory, size) reallocateForTga(memory, size)
#include <stb/stb_image.h>

namespace {

// Where a TGA's pixel data ends, by its header and, for run-length data, by
// its packets; past the file's end when the file is cut short.
uint64_t tgaDataEnd(std::span<const uint8_t> file)
{
    const auto word = [&](size_t at) { return uint64_t(file[at] | file[at + 1] << 8); };
    const uint64_t pixelBytes = (uint64_t(file[16]) + 7) / 8;
    const uint64_t entryBytes = (uint64_t(file[7]) + 7) / 8;
    uint64_t at = 18 + uint64_t(file[0]) + (file[1] ? word(5) * entryBytes : 0);
    const uint64_t pixels = word(12) * word(14);
    if (!(file[2] & 8))
        return at + pixels * pixelBytes;
    for (uint64_t done = 0; done < pixels;) {
        if (at >= file.size())
            return file.size() + 1;
        const uint8_t packet = file[size_t(at++)];
        const uint64_t count = (packet & 0x7F) + 1u;
        at += packet & 0x80 ? pixelBytes : count * pixelBytes;
        done += count;
    }
    return at;
}

}  // namespace

Picture readTga(std::span<const uint8_t> file, const ReadRequest& request)
{
    const auto fail = [&](const std::string& reason) { refuseUnreadable(PictureFormat::tga, request.name, reason); };
    if (file.size() < 18)
        fail("it is cut short");
    if (file.size() > size_t(INT32_MAX))
        fail("it is larger than 2 GB");
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(file.data(), int(file.size()), &width, &height, &channels))
        fail("a kind of TGA that is not supported, or a damaged one (stb_image: " +
             std::string(stbi_failure_reason()) + ")");
    checkDeclaredSize(PictureFormat::tga, request, width, height);
    if (tgaDataEnd(file) > file.size())
        fail("it is cut short");
    checkMemoryBudget(PictureFormat::tga, request, file.size(), width, height,
                      uint64_t(width) * uint64_t(height) * uint64_t(std::max(channels, 3)) + 1024 * 4);

    Picture picture = pictureOfSize(PictureFormat::tga, width, height);
    RgbPicture& stored = picture.stored;
    const size_t pixels = size_t(width) * size_t(height);
    stored.rgb.resize(pixels * size_t(std::max(channels, 3)));
    reservation = Reservation{stored.rgb.data(), pixels * size_t(channels), false};
    int loadedChannels = 0;
    stbi_uc* loaded = stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &loadedChannels, 0);
    const bool inPlace = loaded == stored.rgb.data();
    reservation = Reservation{};
    if (!loaded)
        fail("its data is corrupt (stb_image: " + std::string(stbi_failure_reason()) + ")");
    channels = loadedChannels;
    if (!inPlace) {
        stored.rgb.resize(pixels * size_t(std::max(channels, 3)));
        std::memcpy(stored.rgb.data(), loaded, pixels * size_t(channels));
        stbi_image_free(loaded);
    }
    uint8_t* rgb = stored.rgb.data();
    if (channels == 4) {
        layOverBlack(rgb, rgb, pixels);
    } else if (channels < 3) {
        // Grey (with alpha) spread to three bytes a pixel from the end back.
        const auto& linear = srgbToLinearTable();
        for (size_t i = pixels; i-- > 0;) {
            const uint8_t grey = rgb[i * size_t(channels)];
            const int opacity = channels == 2 ? rgb[i * 2 + 1] : 255;
            const uint8_t shown = opacity == 255 ? grey : linearToSrgbByte(linear[grey] * float(opacity) / 255.0f);
            std::memset(rgb + i * 3, shown, 3);
        }
    }
    stored.rgb.resize(pixels * 3);
    return picture;
}
