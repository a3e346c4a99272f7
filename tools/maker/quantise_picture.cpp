// SPDX-License-Identifier: GPL-3.0-or-later
#include "quantise_picture.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <libimagequant.h>

#include "effect/rotozoom.h"
#include "maker_error.h"

namespace {

// A GIF's sizes are 16-bit.
constexpr int maxGifSide = 65535;

// libimagequant's speed, chosen by measurement over 22 pictures at 256 x 256
// (photos, renders, screenshots, a gradient, noise): with its dither map
// (which its build keeps at this speed), 7 takes half the time of 5 and
// stays within 0.5 dB of its PSNR on every one. From 8 on, the palette is
// posterized and no longer holds the exact colours of a picture that has few.
constexpr int quantiserSpeed = 7;

// libimagequant asks for the picture a row at a time, as RGBA.
void rgbaRow(liq_color rowOut[], int row, int width, void* userInfo)
{
    const auto* picture = static_cast<const RgbPicture*>(userInfo);
    const uint8_t* source = picture->rgb.data() + size_t(row) * size_t(picture->width) * 3;
    for (int x = 0; x < width; ++x, source += 3)
        rowOut[x] = liq_color{source[0], source[1], source[2], 255};
}

struct Quantiser {
    liq_attr* attributes = nullptr;
    liq_image* image = nullptr;
    liq_result* result = nullptr;
    ~Quantiser()
    {
        if (result)
            liq_result_destroy(result);
        if (image)
            liq_image_destroy(image);
        if (attributes)
            liq_attr_destroy(attributes);
    }
};

}  // namespace

IndexedPicture quantisePicture(const RgbPicture& picture, double dither)
{
    if (picture.width > maxGifSide || picture.height > maxGifSide)
        refuse(sizeRefusal(RefusalKind::tooLargeForGif, picture.width, picture.height));
    Quantiser quantiser;
    quantiser.attributes = liq_attr_create();
    if (!quantiser.attributes || liq_set_max_colors(quantiser.attributes, paletteSize) != LIQ_OK ||
        liq_set_speed(quantiser.attributes, quantiserSpeed) != LIQ_OK)
        refuse("libimagequant could not be set up");
    quantiser.image = liq_image_create_custom(quantiser.attributes, rgbaRow, const_cast<RgbPicture*>(&picture),
                                              picture.width, picture.height, 0);
    if (!quantiser.image)
        refuse("libimagequant cannot take a picture of " + std::to_string(picture.width) + " x " +
               std::to_string(picture.height));
    const liq_error quantised = liq_image_quantize(quantiser.image, quantiser.attributes, &quantiser.result);
    if (quantised != LIQ_OK || !quantiser.result)
        refuse("libimagequant could not reduce the picture to 256 colours (error " + std::to_string(int(quantised)) +
               ")");
    liq_set_dithering_level(quantiser.result, float(dither));

    IndexedPicture indexed;
    indexed.width = picture.width;
    indexed.height = picture.height;
    const size_t count = size_t(picture.width) * size_t(picture.height);
    indexed.indices.resize(count);
    if (liq_write_remapped_image(quantiser.result, quantiser.image, indexed.indices.data(), count) != LIQ_OK)
        refuse("libimagequant could not map the picture to its palette");
    const liq_palette* palette = liq_get_palette(quantiser.result);
    indexed.coloursUsed = int(std::min<unsigned>(palette->count, paletteSize));
    for (int i = 0; i < indexed.coloursUsed; ++i)
        indexed.palette[size_t(i)] = PaletteEntry{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b, 0};
    // The saver draws the seam between tiles in its background colour, the
    // darkest palette entry by its own rule. Filling the unused entries with
    // that very colour keeps it the picture's own instead of an unused black.
    std::array<PaletteEntry, paletteSize> used = indexed.palette;
    for (int i = indexed.coloursUsed; i < paletteSize; ++i)
        used[size_t(i)] = PaletteEntry{255, 255, 255, 0};
    const PaletteEntry background = used[size_t(findBackgroundIndex(used.data()))];
    for (int i = indexed.coloursUsed; i < paletteSize; ++i)
        indexed.palette[size_t(i)] = background;
    return indexed;
}
