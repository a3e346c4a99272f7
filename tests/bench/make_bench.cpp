// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer make on a 12-megapixel photo (4000 x 3000 JPEG, made at run time):
// CPU time and peak memory of the maker's path (decoded at the smallest DCT
// scale that still gives 256 x 256) beside the old full-size decode
// (stb_image) into the same fitting, quantising and encoding, in one run.
// peak_MB is the resident memory that one make adds at its peak.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <stb/stb_image.h>

#include "fit_picture.h"
#include "gif_encoder.h"
#include "make_saver.h"
#include "../native/tool/picture_encoders.h"
#include "quantise_picture.h"

namespace {

// Written with the tests' own JPEG writer: a gradient with a little noise
// and a checked pattern, so that it neither compresses away nor is all noise.
Bytes twelveMegapixelJpeg()
{
    constexpr int width = 4000, height = 3000;
    uint32_t noise = 12345;
    // The writer asks for the pixels row by row, left to right: the noise runs on in that order.
    const encoders::Pixels pixels = [&noise](int x, int y) {
        noise = noise * 1664525u + 1013904223u;
        const uint8_t red = uint8_t(x * 255 / width + (noise >> 29));
        const uint8_t blue = uint8_t(((x / 40) ^ (y / 30)) * 9 + (noise >> 30));
        return std::array<uint8_t, 4>{red, uint8_t(y * 255 / height), blue, 255};
    };
    encoders::JpegShape shape;
    shape.width = width;
    shape.height = height;
    shape.quality = 90;
    return encoders::jpegFile(shape, pixels);
}

const Bytes& photo()
{
    static const Bytes bytes = twelveMegapixelJpeg();
    return bytes;
}

long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return 0;
}

// Resident memory that `work` adds at its peak, in MB: freed memory is given
// back to the system and the kernel's high-water mark reset to the present
// first.
template <typename Work>
double peakMegabytes(Work work)
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusKilobytes("VmRSS:");
    work();
    return double(statusKilobytes("VmHWM:") - before) / 1024.0;
}

void makeFromTheJpeg()
{
    MakeOptions options;
    options.pictureName = "photo.jpg";
    benchmark::DoNotOptimize(makeSaverPackage(photo(), options, {}).file.data());
}

// The old path: the whole picture decoded, then the same steps.
void makeFromAFullSizeDecode()
{
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(photo().data(), int(photo().size()), &width, &height, &channels, 3);
    Picture picture;
    picture.fileWidth = picture.stored.width = width;
    picture.fileHeight = picture.stored.height = height;
    picture.stored.rgb.assign(pixels, pixels + size_t(width) * size_t(height) * 3);
    stbi_image_free(pixels);
    benchmark::DoNotOptimize(encodeGif(quantisePicture(fitPicture(std::move(picture), FitMode::cover), 1.0)).data());
}

template <void (*Make)()>
void makeBenchmark(benchmark::State& state)
{
    photo();
    state.counters["peak_MB"] = peakMegabytes(Make);
    for (auto _ : state)
        Make();
}

}  // namespace

BENCHMARK(makeBenchmark<makeFromTheJpeg>)->Name("make/12MP_jpeg/dct_scaled")->Unit(benchmark::kMillisecond);
BENCHMARK(makeBenchmark<makeFromAFullSizeDecode>)->Name("make/12MP_jpeg/old_full_size_decode")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
