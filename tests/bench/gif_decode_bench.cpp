// SPDX-License-Identifier: GPL-3.0-or-later
// The picture decoder against giflib's DGifSlurp on the same bytes in the same
// run, decoding from memory. Throughput is in MB/s of decoded pixels (one byte
// each). Run by hand:
//   build/native/tests/bench/gif_decode_bench --benchmark_min_time=2
// Each picture is checked first: both decoders must give the same indices.
// With GLIMMER_WRITE_BENCH_GIFS=DIR it writes the pictures there as GIF files
// instead, for decoders outside the project to be timed on the same bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "../native/tool/gif_giflib_support.h"
#include "package/gif_decoder.h"

using namespace giftest;

namespace {

struct Picture {
    std::string name;
    int width = 0;
    int height = 0;
    Bytes gif;
};

// Smooth shapes with dither noise, quantised to 256 colours: short LZW strings,
// as in photos.
Bytes photoLike(int width, int height)
{
    std::mt19937 random(1);
    std::uniform_real_distribution<double> dither(-3.0, 3.0);
    Bytes out(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = x / double(width), v = y / double(height);
            const double value = 128 + 60 * std::sin(u * 9.1 + v * 3.3) + 40 * std::cos(v * 12.7 - u * 2.1) +
                                 20 * std::sin((u + v) * 31.0) + dither(random);
            out[size_t(y) * size_t(width) + size_t(x)] = uint8_t(std::clamp(int(value), 0, 255));
        }
    return out;
}

// Large flat areas: long strings, a table that fills slowly.
Bytes repetitive(int width, int height)
{
    Bytes out(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out[size_t(y) * size_t(width) + size_t(x)] = uint8_t((x / 64 + y / 64) % 4);
    return out;
}

Picture encoded(std::string name, const Bytes& indices, int width, int height, bool graphicControl)
{
    GiflibEncoding encoding;
    encoding.graphicControl = graphicControl;
    return Picture{std::move(name), width, height, giflibEncode(indices, width, height, encoding)};
}

const std::vector<Picture>& pictures()
{
    static const std::vector<Picture> all = [] {
        std::vector<Picture> list;
        list.push_back(encoded("256x256", photoLike(256, 256), 256, 256, true));
        list.push_back(encoded("photo2048", photoLike(2048, 2048), 2048, 2048, false));
        list.push_back(encoded("repetitive2048", repetitive(2048, 2048), 2048, 2048, false));
        // A real photo from the test pictures, when the source tree is at hand.
        const auto harvesters =
            std::filesystem::path(__FILE__).parent_path() / ".." / "data" / "gif" / "wuffs" / "harvesters.gif";
        std::ifstream file(harvesters, std::ios::binary);
        if (file) {
            Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            list.push_back(Picture{"harvesters", bytes[6] | bytes[7] << 8, bytes[8] | bytes[9] << 8, bytes});
        }
        return list;
    }();
    return all;
}

bool glimmerDecode(const Picture& picture, uint8_t* pixels)
{
    GifStream stream;
    gifOpenMemory(&stream, picture.gif.data(), picture.gif.size());
    GifImage image;
    if (gifReadImageSize(&stream, &image) != gifOk)
        return false;
    const GifTarget target = {pixels, picture.width, picture.width, picture.height};
    GifWorkspace* workspace = gifAllocateWorkspace();
    const int status = gifDecodeImage(&stream, &image, uint32_t(picture.gif.size()), &target, workspace);
    gifFreeWorkspace(workspace);
    return status == gifOk;
}

// Both decoders must agree on every index before either is timed.
void checkAgreement(const Picture& picture)
{
    static std::map<std::string, bool> checked;
    if (checked[picture.name])
        return;
    Bytes ours(size_t(picture.width) * size_t(picture.height));
    const GiflibDecoding theirs = giflibDecode(picture.gif);
    if (!glimmerDecode(picture, ours.data()) || !theirs.slurped || theirs.raster != ours) {
        std::fprintf(stderr, "%s: the decoders disagree\n", picture.name.c_str());
        std::exit(1);
    }
    checked[picture.name] = true;
}

void setThroughput(benchmark::State& state, const Picture& picture)
{
    state.counters["MB/s"] = benchmark::Counter(double(picture.width) * picture.height * 1e-6 *
                                                    double(state.iterations()),
                                                benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(picture.width) + "x" + std::to_string(picture.height) + ", " +
                   std::to_string(picture.gif.size()) + " bytes");
}

void glimmerBench(benchmark::State& state, size_t which)
{
    const Picture& picture = pictures().at(which);
    checkAgreement(picture);
    for (auto _ : state) {
        // A fresh target each time, as DGifSlurp allocates its raster.
        std::unique_ptr<uint8_t[]> pixels(new uint8_t[size_t(picture.width) * size_t(picture.height)]);
        benchmark::DoNotOptimize(glimmerDecode(picture, pixels.get()));
        benchmark::DoNotOptimize(pixels[0]);
    }
    setThroughput(state, picture);
}

void giflibBench(benchmark::State& state, size_t which)
{
    const Picture& picture = pictures().at(which);
    checkAgreement(picture);
    for (auto _ : state) {
        MemoryReader reader{picture.gif.data(), picture.gif.size(), 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, readFromMemory, &error);
        benchmark::DoNotOptimize(DGifSlurp(gif));
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits[0]);
        DGifCloseFile(gif, &error);
    }
    setThroughput(state, picture);
}

const bool registered = [] {
    if (const char* folder = std::getenv("GLIMMER_WRITE_BENCH_GIFS")) {
        for (const Picture& picture : pictures()) {
            const auto path = std::filesystem::path(folder) / (picture.name + ".gif");
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(picture.gif.data()),
                                                        std::streamsize(picture.gif.size()));
            std::printf("%s\n", path.c_str());
        }
        std::exit(0);
    }
    for (size_t which = 0; which < pictures().size(); ++which) {
        const std::string& name = pictures()[which].name;
        benchmark::RegisterBenchmark(("glimmer/" + name).c_str(), glimmerBench, which);
        benchmark::RegisterBenchmark(("giflib/" + name).c_str(), giflibBench, which);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
