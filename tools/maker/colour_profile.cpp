// SPDX-License-Identifier: GPL-3.0-or-later
#include "colour_profile.h"

#include <algorithm>
#include <cstdlib>

#include <lcms2.h>

namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfileHandle = std::unique_ptr<void, ProfileCloser>;

std::string descriptionOf(cmsHPROFILE profile)
{
    char text[128] = "";
    cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
    std::string description(text);
    while (!description.empty() && (description.back() == ' ' || description.back() == '\0'))
        description.pop_back();
    return description.empty() ? "an unnamed" : description;
}

// Whether the transform leaves every colour of a 9 x 9 x 9 grid within one
// level of where it was: an sRGB profile by another name.
bool leavesColoursAlone(cmsHTRANSFORM transform)
{
    uint8_t grid[9 * 9 * 9 * 3];
    uint8_t converted[sizeof grid];
    size_t at = 0;
    for (int red = 0; red < 9; ++red)
        for (int green = 0; green < 9; ++green)
            for (int blue = 0; blue < 9; ++blue) {
                grid[at++] = uint8_t(std::min(red * 32, 255));
                grid[at++] = uint8_t(std::min(green * 32, 255));
                grid[at++] = uint8_t(std::min(blue * 32, 255));
            }
    cmsDoTransform(transform, grid, converted, 9 * 9 * 9);
    for (size_t i = 0; i < sizeof grid; ++i)
        if (std::abs(int(grid[i]) - int(converted[i])) > 1)
            return false;
    return true;
}

}  // namespace

SrgbConversion::SrgbConversion(std::span<const uint8_t> profile, SourceLayout layout) : layout_(layout)
{
    if (profile.empty())
        return;
    ProfileHandle source(cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size())));
    if (!source)
        return;
    const bool cmyk = layout != SourceLayout::rgb;
    if (cmsGetColorSpace(source.get()) != (cmyk ? cmsSigCmykData : cmsSigRgbData))
        return;
    ProfileHandle srgb(cmsCreate_sRGBProfile());
    const cmsUInt32Number sourceType =
        layout == SourceLayout::rgb ? TYPE_RGB_8 : layout == SourceLayout::cmyk ? TYPE_CMYK_8 : TYPE_CMYK_8_REV;
    cmsHTRANSFORM transform =
        srgb ? cmsCreateTransform(source.get(), sourceType, srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL, 0) : nullptr;
    if (!transform)
        return;
    if (!cmyk && leavesColoursAlone(transform)) {
        cmsDeleteTransform(transform);
        return;
    }
    transform_ = transform;
    description_ = descriptionOf(source.get());
}

SrgbConversion::~SrgbConversion()
{
    if (transform_)
        cmsDeleteTransform(transform_);
}

void SrgbConversion::convert(const uint8_t* source, uint8_t* rgb, size_t count) const
{
    if (transform_) {
        cmsDoTransform(transform_, source, rgb, cmsUInt32Number(count));
        return;
    }
    if (layout_ == SourceLayout::rgb)
        return;
    // Ink without a profile: each colour is what its ink and the black let
    // through. Photoshop's JPEGs store ink inverted (255 is none).
    const bool inverted = layout_ == SourceLayout::invertedCmyk;
    for (size_t i = 0; i < count; ++i, source += 4, rgb += 3) {
        const int black = inverted ? source[3] : 255 - source[3];
        for (int channel = 0; channel < 3; ++channel) {
            const int clear = inverted ? source[channel] : 255 - source[channel];
            rgb[channel] = uint8_t((clear * black + 127) / 255);
        }
    }
}

void convertToSrgb(Picture& picture, std::span<const uint8_t> profile)
{
    const SrgbConversion conversion(profile, SourceLayout::rgb);
    if (conversion.empty())
        return;
    RgbPicture& stored = picture.stored;
    conversion.convert(stored.rgb.data(), stored.rgb.data(), size_t(stored.width) * size_t(stored.height));
    picture.convertedFrom = conversion.description();
}
