// SPDX-License-Identifier: GPL-3.0-or-later
// The maker's picture readers on arbitrary files: each either refuses with a
// MakeError or hands on a picture of the size it says, which fitting takes;
// a reader that hands its rows to the fit as it decodes them gives the same
// fitted picture. The input is the file; its last byte picks the fit mode
// (and so the JPEG decoding scale).
#include "fit_picture.h"
#include "fuzz_check.h"
#include "maker_error.h"
#include "picture_format.h"
#include "picture_readers.h"
#include "row_fit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
    const auto format = detectPictureFormat(file, nullptr);
    if (!format)
        return 0;
    const FitMode fit = size ? FitMode(data[size - 1] % 4) : FitMode::cover;
    try {
        Picture picture = readPicture(file, *format, ReadRequest{"fuzz", fit});
        const RgbPicture& stored = picture.stored;
        CHECK(stored.width > 0 && stored.height > 0);
        CHECK(stored.rgb.size() == size_t(stored.width) * size_t(stored.height) * 3);
        CHECK(picture.orientation >= 1 && picture.orientation <= 8);
        CHECK(int64_t(picture.fileWidth) * picture.fileHeight <= maxPicturePixels);
        const RgbPicture fitted = fitPicture(std::move(picture), fit);
        CHECK(fitted.rgb.size() == size_t(fitted.width) * size_t(fitted.height) * 3);
        if (fit == FitMode::none)
            return 0;
        std::optional<RowFit> rows;
        ReadRequest streaming{"fuzz", fit};
        streaming.fitRows = [&](const Picture& header) -> RowFit* {
            const int width = uprightWidth(header), height = uprightHeight(header);
            return &rows.emplace(header, planFit(width, height, fit), wholeOrCrop(width, height, std::nullopt));
        };
        RgbPicture streamedFit;
        try {
            Picture streamed = readPicture(file, *format, streaming);
            streamedFit = rows ? rows->finish() : fitPicture(std::move(streamed), fit);
        } catch (const MakeError&) {
            CHECK(!"the rows handed on were refused where the picture read whole was not");
        }
        CHECK(streamedFit.width == fitted.width && streamedFit.height == fitted.height);
        CHECK(streamedFit.rgb == fitted.rgb);
    } catch (const MakeError&) {
    }
    return 0;
}
