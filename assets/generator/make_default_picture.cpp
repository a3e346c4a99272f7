// SPDX-License-Identifier: MIT
// Draws the bundled default picture: a 256 x 256 tile of interference rings and
// a twelve-spoked wheel, in a 256-colour palette that runs from deep indigo
// through teal and gold to rose. The pattern uses whole periods only, so the
// tile meets itself seamlessly; the saver's own seam line, one texel wide, is
// drawn in the darkest colour, a deliberate deep indigo rather than black.
#include <gif_lib.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int side = 256;
constexpr double turn = 6.283185307179586;

GifColorType paletteColour(int index)
{
    if (index == 0)
        return GifColorType{14, 8, 38};  // the seam colour, darkest of all
    const double t = (index - 1) / 254.0;
    auto channel = [t](double phase) {
        const double value = 0.55 + 0.45 * std::cos(turn * (t + phase));
        return GifByteType(std::lround(40 + 215 * value * value));
    };
    return GifColorType{channel(0.00), channel(0.33), channel(0.67)};
}

int patternIndex(int x, int y)
{
    const double u = turn * x / side;
    const double v = turn * y / side;
    double field = std::sin(2 * u) + std::sin(3 * v) + std::sin(u + v) + 0.8 * std::cos(4 * u - 2 * v);

    // The wheel: twelve spokes and a rim around the tile's centre.
    const double dx = x - side / 2.0;
    const double dy = y - side / 2.0;
    const double radius = std::sqrt(dx * dx + dy * dy);
    if (radius < 96) {
        const double spokes = std::cos(12 * std::atan2(dy, dx));
        const double fade = std::cos(turn * radius / 384.0);
        field += 1.6 * spokes * fade + 1.2 * std::cos(turn * radius / 24.0) * fade;
    }
    const double phase = field / 7.0 + 0.5;
    const int index = 1 + int(std::floor((phase - std::floor(phase)) * 255.0));
    return index > 255 ? 255 : index;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_default_picture OUT.gif\n");
        return 2;
    }
    std::vector<GifColorType> colours(256);
    for (int i = 0; i < 256; ++i)
        colours[size_t(i)] = paletteColour(i);

    int error = 0;
    GifFileType* gif = EGifOpenFileName(argv[1], false, &error);
    if (!gif) {
        std::fprintf(stderr, "make_default_picture: cannot write %s: %s\n", argv[1], GifErrorString(error));
        return 2;
    }
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifSetGifVersion(gif, true);
    bool written = EGifPutScreenDesc(gif, side, side, 8, 0, map) == GIF_OK &&
                   EGifPutImageDesc(gif, 0, 0, side, side, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> row(side);
    for (int y = 0; written && y < side; ++y) {
        for (int x = 0; x < side; ++x)
            row[size_t(x)] = GifPixelType(patternIndex(x, y));
        written = EGifPutLine(gif, row.data(), side) == GIF_OK;
    }
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK || !written) {
        std::fprintf(stderr, "make_default_picture: writing %s failed\n", argv[1]);
        return 2;
    }
    return 0;
}
