// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "effect/motion.h"

namespace {

TrigTables tables()
{
    TrigTables built;
    buildTrigTables(&built);
    return built;
}

// The state as the first frame finds it: the initialisation's six values, the
// first frame's headingHold 0 and driftSpeed 3, heading and counter at zero.
MotionState firstFrameState()
{
    MotionState motion = {};
    setMotionStartValues(&motion);
    motion.headingHold = 0;
    motion.driftSpeed = 3;
    return motion;
}

// A generator state from which the next draws satisfy `wanted`; found by
// walking the seeds, so that a test can force a given branch.
template <typename Wanted>
uint32_t seedWhere(Wanted wanted)
{
    for (uint32_t seed = 0;; ++seed) {
        RandomGenerator probe;
        seedGenerator(&probe, seed);
        if (wanted(probe))
            return seed;
    }
}

}  // namespace

TEST(MotionStart, StartValuesLeaveDriftAlone)
{
    MotionState motion;
    motion.driftHeading = 77;
    motion.driftSpeed = 8;
    motion.frameCounter = 99;
    motion.headingHold = 1;
    setMotionStartValues(&motion);
    EXPECT_EQ(motion.angle, 0);
    EXPECT_EQ(motion.spinStep, 1);
    EXPECT_EQ(motion.zoom, 200);
    EXPECT_EQ(motion.zoomStep, -1);
    EXPECT_EQ(motion.panU, 0x8000);
    EXPECT_EQ(motion.panV, 0);
    EXPECT_EQ(motion.driftHeading, 77);
    EXPECT_EQ(motion.driftSpeed, 8);
    EXPECT_EQ(motion.frameCounter, 99);
    EXPECT_EQ(motion.headingHold, 1);
}

TEST(AdvanceMotion, FirstTwoCalls)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    RandomGenerator generator;
    seedGenerator(&generator, 1);

    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.angle, 1);
    EXPECT_EQ(motion.panV, 765);
    EXPECT_EQ(motion.panU, 0x8000);
    EXPECT_EQ(motion.zoom, 199);
    EXPECT_EQ(motion.driftHeading, 1);
    EXPECT_EQ(motion.frameCounter, 1);
    EXPECT_EQ(motion.spinStep, 1);
    EXPECT_EQ(motion.zoomStep, -1);

    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.panU, 32750);
    EXPECT_EQ(motion.panV, 1530);
    EXPECT_EQ(motion.angle, 2);
    EXPECT_EQ(motion.zoom, 198);
    EXPECT_EQ(motion.driftHeading, 2);
    EXPECT_EQ(motion.frameCounter, 2);
}

// A frame without changes uses exactly three draws.
TEST(AdvanceMotion, QuietFrameDrawsThree)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    advanceMotion(&motion, &generator, t);
    RandomGenerator reference;
    seedGenerator(&reference, 1);
    for (int i = 0; i < 3; ++i)
        drawRandom(&reference);
    EXPECT_EQ(generator.state, reference.state);
}

TEST(AdvanceMotion, SeedOneFirstSpinChangeInCall172)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    for (int call = 1; call <= 171; ++call) {
        advanceMotion(&motion, &generator, t);
        ASSERT_EQ(motion.spinStep, 1) << "call " << call;
    }
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.spinStep, -4);
    // The spin of call 172 was still +1; the new step shows from call 173.
    EXPECT_EQ(motion.angle, 172);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.angle, 168);
}

TEST(AdvanceMotion, SeedOneFirstDriftChangeInCall549)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    for (int call = 1; call <= 548; ++call) {
        advanceMotion(&motion, &generator, t);
        ASSERT_EQ(motion.headingHold, 0) << "call " << call;
        ASSERT_EQ(motion.driftSpeed, 3) << "call " << call;
        ASSERT_EQ(motion.frameCounter, call) << "call " << call;
    }
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.headingHold, 1);
    EXPECT_EQ(motion.driftSpeed, 6);
    EXPECT_EQ(motion.zoomStep, 1);
    EXPECT_EQ(motion.frameCounter, 1);
}

TEST(AdvanceMotion, NegativeSpinStopsAtZero)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    motion.angle = 2;
    motion.spinStep = -3;
    // Draws that change no spin for a few frames.
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.angle, 0);
    for (int i = 0; i < 5; ++i) {
        advanceMotion(&motion, &generator, t);
        ASSERT_EQ(motion.spinStep, -3);
        EXPECT_EQ(motion.angle, 0);
    }
}

TEST(AdvanceMotion, PositiveSpinPast255RestartsAtZero)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    motion.angle = 254;
    motion.spinStep = 4;
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.angle, 0);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.angle, 4);

    motion.angle = 251;
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.angle, 255);
}

TEST(AdvanceMotion, ZoomTurnsAtLowerBound)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    motion.zoom = 6;
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.zoom, 5);
    EXPECT_EQ(motion.zoomStep, 1);
    std::vector<int32_t> zooms;
    for (int i = 0; i < 3; ++i) {
        advanceMotion(&motion, &generator, t);
        zooms.push_back(motion.zoom);
    }
    EXPECT_EQ(zooms, (std::vector<int32_t>{6, 7, 8}));
}

TEST(AdvanceMotion, ZoomTurnsAtUpperBound)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    motion.zoom = 999;
    motion.zoomStep = 1;
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.zoom, 1000);
    EXPECT_EQ(motion.zoomStep, -1);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.zoom, 999);
    EXPECT_EQ(motion.zoomStep, -1);
}

TEST(AdvanceMotion, NegativeZoomCountsAsTooFar)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    motion.zoom = -2;
    motion.zoomStep = 1;
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.zoom, -1);
    EXPECT_EQ(motion.zoomStep, -1);
}

namespace {

// A state of the generator from which the next frame changes the drift and
// negates the zoom step (a frame whose counter is far past any threshold).
uint32_t driftChangeWithZoomFlip()
{
    return seedWhere([](RandomGenerator probe) {
        drawRandom(&probe);
        drawRandom(&probe);
        if (drawRandom(&probe) % 200 >= 50)
            return false;
        return drawRandom(&probe) % 351 >= 2 && drawRandom(&probe) % 351 >= 2;
    });
}

// A state from which the next frames change nothing while the counter is low.
uint32_t quietFrames(int frames)
{
    return seedWhere([frames](RandomGenerator probe) {
        for (int i = 0; i < frames; ++i) {
            drawRandom(&probe);
            if (drawRandom(&probe) % 351 < 2 || drawRandom(&probe) % 351 < 2)
                return false;
        }
        return true;
    });
}

std::vector<int32_t> zoomsOver(MotionState* motion, RandomGenerator* generator, const TrigTables& t, int frames)
{
    std::vector<int32_t> zooms;
    for (int i = 0; i < frames; ++i) {
        advanceMotion(motion, generator, t);
        zooms.push_back(motion->zoom);
    }
    return zooms;
}

}  // namespace

// A drift change that negates the zoom step in the frame in which the zoom
// reaches 5: the negations cancel and the zoom alternates between 4 and 5.
TEST(AdvanceMotion, DriftFlipAtBoundAlternatesFourFive)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    motion.zoom = 6;
    motion.frameCounter = 5000;
    RandomGenerator generator;
    seedGenerator(&generator, driftChangeWithZoomFlip());
    advanceMotion(&motion, &generator, t);
    ASSERT_EQ(motion.frameCounter, 1);  // the drift changed
    EXPECT_EQ(motion.zoom, 5);
    EXPECT_EQ(motion.zoomStep, -1);

    seedGenerator(&generator, quietFrames(8));
    EXPECT_EQ(zoomsOver(&motion, &generator, t, 8), (std::vector<int32_t>{4, 5, 4, 5, 4, 5, 4, 5}));
}

TEST(AdvanceMotion, DriftFlipAtUpperBoundAlternates1000And1001)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    motion.zoom = 999;
    motion.zoomStep = 1;
    motion.frameCounter = 5000;
    RandomGenerator generator;
    seedGenerator(&generator, driftChangeWithZoomFlip());
    advanceMotion(&motion, &generator, t);
    ASSERT_EQ(motion.frameCounter, 1);
    EXPECT_EQ(motion.zoom, 1000);
    seedGenerator(&generator, quietFrames(6));
    EXPECT_EQ(zoomsOver(&motion, &generator, t, 6), (std::vector<int32_t>{1001, 1000, 1001, 1000, 1001, 1000}));
}

// From the 4/5 pair: a drift flip in a frame that ends on 5 lets the zoom
// leave the bound; one that ends on 4 moves the pair out to 3/4.
TEST(AdvanceMotion, LaterDriftFlipsMoveThePair)
{
    const TrigTables t = tables();
    RandomGenerator generator;

    MotionState inward = firstFrameState();
    inward.zoom = 4;
    inward.zoomStep = 1;
    inward.frameCounter = 5000;
    seedGenerator(&generator, driftChangeWithZoomFlip());
    advanceMotion(&inward, &generator, t);
    ASSERT_EQ(inward.frameCounter, 1);
    EXPECT_EQ(inward.zoom, 5);
    seedGenerator(&generator, quietFrames(4));
    EXPECT_EQ(zoomsOver(&inward, &generator, t, 4), (std::vector<int32_t>{6, 7, 8, 9}));

    MotionState outward = firstFrameState();
    outward.zoom = 5;
    outward.zoomStep = -1;
    outward.frameCounter = 5000;
    seedGenerator(&generator, driftChangeWithZoomFlip());
    advanceMotion(&outward, &generator, t);
    ASSERT_EQ(outward.frameCounter, 1);
    EXPECT_EQ(outward.zoom, 4);
    seedGenerator(&generator, quietFrames(6));
    EXPECT_EQ(zoomsOver(&outward, &generator, t, 6), (std::vector<int32_t>{3, 4, 3, 4, 3, 4}));
}

// The threshold is (r mod 520) + 500 with a strict comparison: a counter of
// 500 never changes the drift, and 501 does when r mod 520 is 0.
TEST(AdvanceMotion, DriftChangeThreshold)
{
    const TrigTables t = tables();
    const uint32_t lowest = seedWhere([](RandomGenerator probe) { return drawRandom(&probe) % 520 == 0; });
    for (int32_t counter : {500, 501}) {
        MotionState motion = firstFrameState();
        motion.frameCounter = counter;
        RandomGenerator generator;
        seedGenerator(&generator, lowest);
        advanceMotion(&motion, &generator, t);
        EXPECT_EQ(motion.frameCounter, counter == 501 ? 1 : 501) << "counter " << counter;
        EXPECT_EQ(motion.headingHold, counter == 501 ? 1 : 0) << "counter " << counter;
    }
}

TEST(AdvanceMotion, DriftChangeDrawsSpeedAndTogglesHold)
{
    const TrigTables t = tables();
    const uint32_t seed = driftChangeWithZoomFlip();
    RandomGenerator reference;
    seedGenerator(&reference, seed);
    drawRandom(&reference);
    const int speedDraw = drawRandom(&reference);

    MotionState motion = firstFrameState();
    motion.headingHold = 1;
    motion.frameCounter = 5000;
    RandomGenerator generator;
    seedGenerator(&generator, seed);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.headingHold, 0);
    EXPECT_EQ(motion.driftSpeed, speedDraw % 10 + 1);
}

TEST(AdvanceMotion, BothSpinChangesEndNegative)
{
    const TrigTables t = tables();
    const uint32_t seed = seedWhere([](RandomGenerator probe) {
        drawRandom(&probe);
        if (drawRandom(&probe) % 351 >= 2)
            return false;
        drawRandom(&probe);
        return drawRandom(&probe) % 351 < 2;
    });
    RandomGenerator reference;
    seedGenerator(&reference, seed);
    for (int i = 0; i < 4; ++i)
        drawRandom(&reference);
    const int downDraw = drawRandom(&reference);

    MotionState motion = firstFrameState();
    RandomGenerator generator;
    seedGenerator(&generator, seed);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.spinStep, downDraw % 4 - 4);
    EXPECT_LT(motion.spinStep, 0);
    EXPECT_EQ(generator.state, reference.state);
}

TEST(AdvanceMotion, HeldHeadingMovesInAStraightLine)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    motion.headingHold = 1;
    motion.driftHeading = 40;
    motion.driftSpeed = 7;
    RandomGenerator generator;
    seedGenerator(&generator, quietFrames(50));
    const int32_t startU = motion.panU;
    const int32_t startV = motion.panV;
    for (int frame = 1; frame <= 50; ++frame) {
        advanceMotion(&motion, &generator, t);
        ASSERT_EQ(motion.driftHeading, 40);
        ASSERT_EQ(motion.panU, startU + frame * 7 * t.cosPerpTable[40]);
        ASSERT_EQ(motion.panV, startV + frame * 7 * t.sinPerpTable[40]);
    }
}

TEST(AdvanceMotion, TurningHeadingWrapsAfter255)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    motion.driftHeading = 254;
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.driftHeading, 255);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(motion.driftHeading, 0);
}

// The pan is computed modulo 2^32 and runs on for ever.
TEST(AdvanceMotion, PanWrapsAround)
{
    const TrigTables t = tables();
    MotionState motion = firstFrameState();
    motion.headingHold = 1;
    motion.driftHeading = 0;  // sinPerpTable[0] = 255
    motion.driftSpeed = 10;
    motion.panV = 0x7FFFFFFF;
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    advanceMotion(&motion, &generator, t);
    EXPECT_EQ(uint32_t(motion.panV), 0x7FFFFFFFu + 2550u);
}

// Whatever the seed, the motion stays inside its documented ranges.
TEST(AdvanceMotion, LongRunStaysInRange)
{
    const TrigTables t = tables();
    for (uint32_t seed : {1u, 2u, 1700000000u, 0xFFFFFFFFu}) {
        MotionState motion = firstFrameState();
        RandomGenerator generator;
        seedGenerator(&generator, seed);
        for (int frame = 0; frame < 20000; ++frame) {
            advanceMotion(&motion, &generator, t);
            ASSERT_GE(motion.angle, 0);
            ASSERT_LE(motion.angle, 255);
            ASSERT_GE(motion.driftHeading, 0);
            ASSERT_LE(motion.driftHeading, 255);
            ASSERT_TRUE(motion.spinStep != 0 && motion.spinStep >= -4 && motion.spinStep <= 4);
            ASSERT_TRUE(motion.zoomStep == 1 || motion.zoomStep == -1);
            ASSERT_GE(motion.driftSpeed, 1);
            ASSERT_LE(motion.driftSpeed, 10);
            ASSERT_LE(motion.frameCounter, 1020);
        }
    }
}
