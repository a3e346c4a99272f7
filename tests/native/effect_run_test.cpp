// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "effect/effect_run.h"

namespace {

std::unique_ptr<EffectRun> freshRun()
{
    auto run = std::make_unique<EffectRun>();
    resetEffectRun(run.get());
    return run;
}

// A 256 x 256 picture with a distinct byte per row and column mix.
std::vector<uint8_t> testPicture()
{
    std::vector<uint8_t> pixels(textureBytes);
    for (int i = 0; i < textureBytes; ++i)
        pixels[size_t(i)] = uint8_t((i / 256) * 3 + (i % 256) * 5);
    return pixels;
}

std::vector<PaletteEntry> paletteWithDarkest(int index)
{
    std::vector<PaletteEntry> palette(paletteSize, PaletteEntry{90, 90, 90, 0});
    palette[size_t(index)] = PaletteEntry{1, 2, 3, 0};
    return palette;
}

}  // namespace

TEST(EffectRun, ResetIsProgramStart)
{
    auto run = std::make_unique<EffectRun>();
    std::memset(run.get(), 0xAB, sizeof *run);
    resetEffectRun(run.get());
    EXPECT_EQ(run->randomGenerator.state, 1u);
    EXPECT_EQ(run->backgroundIndex, 0);
    EXPECT_EQ(run->textureCaptured, 0);
    EXPECT_EQ(run->motionState.driftHeading, 0);
    EXPECT_EQ(run->motionState.frameCounter, 0);
    for (int i = 0; i < textureBytes; ++i)
        ASSERT_EQ(run->texture[i], 0);
}

TEST(EffectRun, StartSeedsSetsStartValuesAndBuildsTables)
{
    auto run = freshRun();
    startEffectRun(run.get(), 1);
    EXPECT_EQ(run->randomGenerator.state, 1u);
    EXPECT_EQ(run->motionState.zoom, 200);
    EXPECT_EQ(run->motionState.zoomStep, -1);
    EXPECT_EQ(run->motionState.panU, 0x8000);
    EXPECT_EQ(run->motionState.spinStep, 1);
    EXPECT_EQ(run->trigTables.sinTable[64], 256);
    EXPECT_EQ(run->trigTables.cosTable[128], -255);
    startEffectRun(run.get(), 0xDEADBEEF);
    EXPECT_EQ(run->randomGenerator.state, 0xDEADBEEFu);
}

TEST(EffectRun, PaletteSetsBackgroundIndex)
{
    auto run = freshRun();
    const auto palette = paletteWithDarkest(42);
    setEffectPalette(run.get(), palette.data());
    EXPECT_EQ(run->backgroundIndex, 42);
}

TEST(EffectRun, FirstFrameSetsDriftAndAsksForCapture)
{
    auto run = freshRun();
    startEffectRun(run.get(), 1);
    run->motionState.headingHold = 1;
    run->motionState.driftSpeed = 9;
    EXPECT_EQ(beginEffectFrame(run.get()), 1);
    EXPECT_EQ(run->motionState.headingHold, 0);
    EXPECT_EQ(run->motionState.driftSpeed, 3);
    EXPECT_EQ(run->textureCaptured, 1);
    EXPECT_EQ(beginEffectFrame(run.get()), 0);
}

// The capture's fill texel is the background index of the palette.
TEST(EffectRun, CaptureFillsBordersWithBackground)
{
    auto run = freshRun();
    startEffectRun(run.get(), 1);
    const auto palette = paletteWithDarkest(200);
    setEffectPalette(run.get(), palette.data());
    const auto picture = testPicture();
    captureEffectTexture(run.get(), picture.data(), 256, 256, 256);
    EXPECT_EQ(run->texture[255 * 256 + 3], 200);
    EXPECT_EQ(run->texture[3 * 256 + 255], 200);
    EXPECT_EQ(run->texture[3 * 256 + 4], picture[3 * 256 + 4]);
}

// The run's frames are the saver's: capture once, draw from the motion before
// the update, then advance.
TEST(EffectRun, StepsFollowTheSaversFrameSequence)
{
    auto run = freshRun();
    startEffectRun(run.get(), 1);
    const auto palette = paletteWithDarkest(7);
    setEffectPalette(run.get(), palette.data());
    const auto picture = testPicture();

    // The same sequence by hand.
    std::vector<uint8_t> texture(textureBytes, 0);
    captureTexture(picture.data(), 256, 256, 256, 7, texture.data());
    TrigTables t;
    buildTrigTables(&t);
    MotionState motion = {};
    setMotionStartValues(&motion);
    motion.driftSpeed = 3;
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    std::vector<uint8_t> frame(frameBytes);

    for (int step = 0; step < 30; ++step) {
        stepEffectRun(run.get(), picture.data(), 256, 256, 256);
        drawRotozoomPlain(t, motion, texture.data(), frame.data());
        advanceMotion(&motion, &generator, t);
        ASSERT_EQ(std::memcmp(run->frameBuffer, frame.data(), frameBytes), 0) << "frame " << step;
        ASSERT_EQ(std::memcmp(&run->motionState, &motion, sizeof motion), 0) << "frame " << step;
    }
}

// Only the first frame reads the picture.
TEST(EffectRun, LaterFramesDoNotRecapture)
{
    auto run = freshRun();
    startEffectRun(run.get(), 5);
    auto picture = testPicture();
    stepEffectRun(run.get(), picture.data(), 256, 256, 256);
    const std::vector<uint8_t> captured(run->texture, run->texture + textureBytes);
    std::vector<uint8_t> other(textureBytes, 0x11);
    stepEffectRun(run.get(), other.data(), 256, 256, 256);
    EXPECT_EQ(std::memcmp(run->texture, captured.data(), textureBytes), 0);
}
