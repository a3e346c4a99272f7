// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the pictures that the web tests make savers of, with the libraries'
// own encoders and what cameras and editors put in them (colour profiles,
// EXIF orientations, CMYK ink, progressive scans, alpha, animation), so that
// the module's make and glimmer make can be compared on them.
//   write_test_pictures FOLDER
#include <cmath>
#include <cstdio>
#include <fstream>

#include "crafted_pictures.h"
#include "picture_encoders.h"

namespace {

// A smooth field of colour with fine texture and a see-through disc: enough
// colours and detail to keep the quantiser and the dithering busy.
std::array<uint8_t, 4> photoPixel(int x, int y)
{
    const auto channel = [](double value) { return uint8_t(std::clamp(value, 0.0, 255.0)); };
    const int grain = (x * 7 + y * 13) % 17 - 8;
    const int dx = x % 200 - 100, dy = y % 160 - 80;
    return {channel(128 + 100 * std::sin(x * 0.021 + y * 0.013) + grain),
            channel(128 + 90 * std::cos(x * 0.017 - y * 0.025)),
            channel(128 + 80 * std::sin((x + y) * 0.011) - grain),
            uint8_t(dx * dx + dy * dy < 30 * 30 ? 40 : 255)};
}

struct NamedPicture {
    const char* name;
    Bytes bytes;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_test_pictures FOLDER\n");
        return 2;
    }
    using namespace encoders;
    using encoders::JpegKind;
    const Bytes p3 = displayP3Profile();
    const auto jpeg = [](int width, int height, JpegKind kind, Bytes profile = {}, Bytes exif = {}) {
        JpegShape shape;
        shape.width = width;
        shape.height = height;
        shape.kind = kind;
        shape.quality = 90;
        shape.profile = std::move(profile);
        shape.exif = std::move(exif);
        return jpegFile(shape, photoPixel);
    };
    const auto png = [](int width, int height, int colourType, int depth, bool interlaced, Bytes profile = {},
                        Bytes exif = {}) {
        PngShape shape;
        shape.width = width;
        shape.height = height;
        shape.colourType = colourType;
        shape.depth = depth;
        shape.interlaced = interlaced;
        shape.transparentIndexZero = colourType == PNG_COLOR_TYPE_PALETTE;
        shape.profile = std::move(profile);
        shape.exif = std::move(exif);
        return pngFile(shape, photoPixel);
    };
    const auto webp = [](int width, int height, WebpKind kind, Bytes profile = {}, Bytes exif = {}) {
        WebpShape shape;
        shape.width = width;
        shape.height = height;
        shape.kind = kind;
        shape.profile = std::move(profile);
        shape.exif = std::move(exif);
        return webpFile(shape, photoPixel);
    };
    const NamedPicture pictures[] = {
        {"baseline.jpg", jpeg(640, 427, JpegKind::baseline)},
        {"progressive.jpg", jpeg(1600, 1200, JpegKind::progressive)},
        {"large.jpg", jpeg(3000, 2000, JpegKind::baseline)},
        {"grey.jpg", jpeg(300, 200, JpegKind::grey)},
        {"cmyk.jpg", jpeg(400, 300, JpegKind::cmyk)},
        {"ycck.jpg", jpeg(400, 300, JpegKind::ycck)},
        {"display-p3.jpg", jpeg(500, 500, JpegKind::baseline, p3)},
        {"phone-upright.jpg", jpeg(640, 480, JpegKind::baseline, {}, exifOrientationBlock(6))},
        {"display-p3-turned.png", png(300, 400, PNG_COLOR_TYPE_RGB, 8, false, p3, exifOrientationBlock(8))},
        {"rgba16.png", png(200, 150, PNG_COLOR_TYPE_RGB_ALPHA, 16, false)},
        {"palette.png", png(256, 256, PNG_COLOR_TYPE_PALETTE, 8, false)},
        {"grey-interlaced.png", png(333, 222, PNG_COLOR_TYPE_GRAY, 4, true)},
        {"display-p3.webp", webp(640, 400, WebpKind::lossy, p3)},
        {"lossless.webp", webp(300, 300, WebpKind::lossless)},
        {"alpha.webp", webp(256, 200, WebpKind::alpha)},
        {"animation.webp", webp(120, 90, WebpKind::animation)},
        {"upside-down.webp", webp(500, 300, WebpKind::lossy, {}, exifOrientationBlock(3))},
    };
    // The memory and time table of glimmer make's tests: each is made or
    // refused as glimmer does it, within the same budget.
    using namespace crafted;
    const NamedPicture budgetTable[] = {
        {"budget-text-declaring-2gb.png", pngWithChunk("tEXt", 0x7FFFFFF0, false)},
        {"budget-itxt-declaring-20mb.png", pngWithChunk("iTXt", 20 << 20, false)},
        {"budget-text-after-pixels.png", pngWithChunk("zTXt", 0x7FFFFFF0, true)},
        {"budget-16-bit-row.png", pngClaiming(100000000, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA)},
        {"budget-column.png", pngOneBitStripes(1, 100000000)},
        {"budget-interlaced-alpha.png", pngClaiming(10000, 10000, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_ADAM7)},
        {"budget-one-bit-row.bmp", bmpOneBit(100000000, 1)},
        {"budget-progressive-ink.jpg",
         jpegClaiming(encoders::jpegFile({16, 16, JpegKind::cmyk, 90, {}, {}}, busy), 0xC2, 10000, 10000)},
        {"budget-progressive-444.jpg", jpegClaiming(photo(), 0xC2, 10000, 10000, 0x11)},
        {"budget-many-scans.jpg", jpegWithScans(50000)},
        {"budget-arithmetic.jpg", jpegClaiming(photo(), 0xC9, 64, 64)},
        {"budget-runs.tga", tgaRunsClaiming(10000, 10000)},
        {"budget-lossless-alpha.webp", webpLosslessClaiming(10000, 10000)},
        {"budget-code-size-0.gif", gifWithCodeSize(0)},
        {"budget-code-size-12.gif", gifWithCodeSize(12)},
    };
    std::vector<const NamedPicture*> all;
    for (const auto& picture : pictures)
        all.push_back(&picture);
    for (const auto& picture : budgetTable)
        all.push_back(&picture);
    for (const NamedPicture* picture : all) {
        const auto& [name, bytes] = *picture;
        std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "write_test_pictures: cannot write %s in %s\n", name, argv[1]);
            return 1;
        }
    }
    return 0;
}
