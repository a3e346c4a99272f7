// SPDX-License-Identifier: GPL-3.0-or-later
// Frames per second of the preview's frame loop: the saver's own draw and
// motion update of a 640 x 480 frame of palette indices, on one core, before
// any output is encoded. items_per_second is frames per second.
#include <benchmark/benchmark.h>

#include "gif_encoder.h"
#include "saver_startup.h"

namespace {

// A 256 x 256 picture of all 256 indices in a pattern that changes across
// every texel, so that no frame is a flat fill.
SaverPicture benchPicture()
{
    IndexedPicture picture;
    picture.width = makeSize;
    picture.height = makeSize;
    picture.indices.resize(size_t(makeSize) * makeSize);
    for (int y = 0; y < makeSize; ++y)
        for (int x = 0; x < makeSize; ++x)
            picture.indices[size_t(y) * makeSize + size_t(x)] = uint8_t((x * 7) ^ (y * 13));
    for (int i = 0; i < paletteSize; ++i)
        picture.palette[size_t(i)] = PaletteEntry{uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0};
    picture.coloursUsed = paletteSize;
    const Bytes gif = encodeGif(picture);
    return loadSaverPicture(gif, "bench.gif");
}

void previewFrameLoop(benchmark::State& state)
{
    const SaverPicture picture = benchPicture();
    const auto run = startSaverEffect(picture, 1);
    for (auto _ : state) {
        stepSaverEffect(*run, picture);
        benchmark::DoNotOptimize(run->frameBuffer[0]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * int64_t(frameBytes));
}

}  // namespace

BENCHMARK(previewFrameLoop)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

BENCHMARK_MAIN();
