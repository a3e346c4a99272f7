// SPDX-License-Identifier: GPL-3.0-or-later
// Embedded colour profiles (ICC, through lcms2): pictures are converted to
// sRGB before fitting; a picture without a profile is taken as sRGB.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "picture.h"

enum class SourceLayout { rgb, cmyk, invertedCmyk };

// A conversion of rows of pixels from an embedded profile to 8-bit sRGB.
class SrgbConversion {
public:
    // None (empty()) when the profile cannot be read, is not of `layout`'s
    // colour space, or is sRGB already; CMYK without a usable profile is
    // converted by the plain ink formula.
    SrgbConversion(std::span<const uint8_t> profile, SourceLayout layout);
    ~SrgbConversion();
    SrgbConversion(const SrgbConversion&) = delete;
    SrgbConversion& operator=(const SrgbConversion&) = delete;

    bool empty() const { return !transform_ && layout_ == SourceLayout::rgb; }
    // What the profile calls itself, for the summary ("Display P3"); empty
    // for the plain CMYK formula.
    const std::string& description() const { return description_; }
    // Converts `count` pixels (3 bytes each for RGB, 4 for CMYK) into three
    // bytes each; `rgb` may be `source` itself.
    void convert(const uint8_t* source, uint8_t* rgb, size_t count) const;

private:
    void* transform_ = nullptr;
    SourceLayout layout_;
    std::string description_;
};

// Converts an RGB picture in place when `profile` asks for it; records the
// profile's name in `picture.convertedFrom`.
void convertToSrgb(Picture& picture, std::span<const uint8_t> profile);
