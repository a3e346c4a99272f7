// SPDX-License-Identifier: GPL-3.0-or-later
// The rotozoom's cost per pixel: the loop the saver ships, the plain per-pixel
// loop it must match byte for byte, and a naive floating-point rotozoom as a
// yardstick; then the motion driver's cost per frame. Run by hand:
//   build/native/tests/bench/rotozoom_bench
// ns_per_pixel is printed as an inverted rate, hence its trailing "s".
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "effect/motion.h"
#include "effect/rotozoom.h"
#include "effect/trig_tables.h"

namespace {

const TrigTables& tables()
{
    static const TrigTables built = [] {
        TrigTables t;
        buildTrigTables(&t);
        return t;
    }();
    return built;
}

std::vector<uint8_t> benchTexture()
{
    std::vector<uint8_t> texture(textureBytes);
    for (int i = 0; i < textureBytes; ++i)
        texture[size_t(i)] = uint8_t(i * 7 + (i >> 9));
    return texture;
}

MotionState benchMotion(const benchmark::State& state)
{
    MotionState motion = {};
    setMotionStartValues(&motion);
    motion.angle = int32_t(state.range(2));
    motion.zoom = int32_t(state.range(3));
    motion.panU = 0x12345;
    motion.panV = -0x6789;
    return motion;
}

// The obvious way to write a rotozoom: per pixel, rotate and scale the screen
// offset from the pivot in floating point and wrap the result into the tile.
void drawNaiveFloat(const MotionState& motion, const uint8_t* texture, uint8_t* frame, int width, int height)
{
    const float turn = 6.2831853f / 256.0f;
    const float scale = float(motion.zoom) / 256.0f;
    const float cosine = std::cos(float(motion.angle) * turn) * scale;
    const float sine = std::sin(float(motion.angle) * turn) * scale;
    const float centreU = float(motion.panU) / 256.0f;
    const float centreV = float(motion.panV) / 256.0f;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float dx = float(x - 127);
            const float dy = float(y - 128);
            const float u = centreU + dx * cosine - dy * sine;
            const float v = centreV + dx * sine + dy * cosine;
            const int column = int(std::floor(u)) & (textureSize - 1);
            const int row = int(std::floor(v)) & (textureSize - 1);
            frame[size_t(y) * size_t(width) + size_t(x)] = texture[row * textureSize + column];
        }
    }
}

void reportPerPixel(benchmark::State& state, int width, int height)
{
    const double pixels = double(width) * double(height);
    state.counters["ns_per_pixel"] = benchmark::Counter(
        pixels * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["frames_per_s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

template <void (*Draw)(const TrigTables&, const MotionState&, const uint8_t*, uint8_t*, int, int)>
void drawLoop(benchmark::State& state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const auto texture = benchTexture();
    std::vector<uint8_t> frame(size_t(width) * size_t(height));
    const MotionState motion = benchMotion(state);

    // The two loops must agree before either is timed.
    std::vector<uint8_t> plain(frame.size());
    drawRotozoomPlain(tables(), motion, texture.data(), plain.data(), width, height);
    Draw(tables(), motion, texture.data(), frame.data(), width, height);
    if (frame != plain) {
        state.SkipWithError("the shipped loop differs from the plain loop");
        return;
    }
    for (auto _ : state) {
        Draw(tables(), motion, texture.data(), frame.data(), width, height);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    reportPerPixel(state, width, height);
}

void BM_RotozoomShipped(benchmark::State& state) { drawLoop<drawRotozoom>(state); }
void BM_RotozoomPlain(benchmark::State& state) { drawLoop<drawRotozoomPlain>(state); }

void BM_RotozoomNaiveFloat(benchmark::State& state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const auto texture = benchTexture();
    std::vector<uint8_t> frame(size_t(width) * size_t(height));
    const MotionState motion = benchMotion(state);
    for (auto _ : state) {
        drawNaiveFloat(motion, texture.data(), frame.data(), width, height);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    reportPerPixel(state, width, height);
}

// width, height, angle, zoom
void frameCases(benchmark::internal::Benchmark* bench)
{
    bench->ArgNames({"width", "height", "angle", "zoom"});
    for (const auto& size : {std::pair{640, 480}, std::pair{1920, 1080}})
        for (int angle : {0, 45, 100})
            for (int zoom : {5, 200, 1000})
                bench->Args({size.first, size.second, angle, zoom});
}

BENCHMARK(BM_RotozoomPlain)->Apply(frameCases);
BENCHMARK(BM_RotozoomShipped)->Apply(frameCases);
BENCHMARK(BM_RotozoomNaiveFloat)->Apply(frameCases);

void BM_AdvanceMotion(benchmark::State& state)
{
    MotionState motion = {};
    setMotionStartValues(&motion);
    motion.driftSpeed = 3;
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    for (auto _ : state) {
        advanceMotion(&motion, &generator, tables());
        benchmark::DoNotOptimize(motion);
    }
}
BENCHMARK(BM_AdvanceMotion);

}  // namespace

BENCHMARK_MAIN();
