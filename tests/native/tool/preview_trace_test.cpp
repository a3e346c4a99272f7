// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer preview --trace: one line of eleven integers after each motion
// update, checked against the motion driver's worked examples.
#include "maker_test_support.h"

#include "saver_startup.h"

using namespace makertest;

namespace {

std::vector<int64_t> numbersOf(const std::string& line)
{
    std::vector<int64_t> numbers;
    std::istringstream stream(line);
    for (int64_t value; stream >> value;)
        numbers.push_back(value);
    return numbers;
}

class PreviewTrace : public MakerTest {
protected:
    void SetUp() override
    {
        MakerTest::SetUp();
        gif = giflibGif(GifShape{}, [](int x, int y) { return uint8_t(x ^ y); });
        write("picture.gif", gif);
    }

    ToolRun trace(uint32_t seed, int frames)
    {
        return glimmer({"preview", path("picture.gif"), "--seed", std::to_string(seed), "--frames",
                        std::to_string(frames), "--trace"});
    }

    Bytes gif;
};

}  // namespace

TEST_F(PreviewTrace, FirstTwoCallsAreTheWorkedExample)
{
    const ToolRun run = trace(1, 2);
    ASSERT_EQ(run.status, 0) << describe(run);
    // K angle spinStep zoom zoomStep panU panV driftHeading driftSpeed frameCounter headingHold
    EXPECT_EQ(run.out, "1 1 1 199 -1 32768 765 1 3 1 0\n"
                       "2 2 1 198 -1 32750 1530 2 3 2 0\n");
    // stdout holds the trace alone; the summary goes to stderr.
    EXPECT_NE(run.err.find("drew 2 frames"), std::string::npos) << run.err;
}

TEST_F(PreviewTrace, FirstTwoCallsMoveAlikeForAnySeed)
{
    for (uint32_t seed : {0u, 2u, 77u, 1234567u, 4294967295u}) {
        const ToolRun run = trace(seed, 2);
        ASSERT_EQ(run.status, 0) << describe(run);
        const auto lines = linesOf(run.out);
        ASSERT_EQ(lines.size(), 2u);
        const auto first = numbersOf(lines[0]);
        const auto second = numbersOf(lines[1]);
        ASSERT_EQ(first.size(), 11u);
        ASSERT_EQ(second.size(), 11u);
        // Only the spin may have been redrawn: angle 1 after the first call,
        // and the drift, zoom and counters of the worked example.
        EXPECT_EQ(first[1], 1) << "seed " << seed;
        EXPECT_EQ((std::vector<int64_t>(first.begin() + 3, first.end())),
                  (std::vector<int64_t>{199, -1, 32768, 765, 1, 3, 1, 0}))
            << "seed " << seed;
        EXPECT_EQ((std::vector<int64_t>(second.begin() + 3, second.end())),
                  (std::vector<int64_t>{198, -1, 32750, 1530, 2, 3, 2, 0}))
            << "seed " << seed;
    }
}

TEST_F(PreviewTrace, SeedOneChangesSpinAt172AndDriftAt549)
{
    const ToolRun run = trace(1, 600);
    ASSERT_EQ(run.status, 0) << describe(run);
    const auto lines = linesOf(run.out);
    ASSERT_EQ(lines.size(), 600u);
    for (size_t k = 1; k <= lines.size(); ++k) {
        const auto values = numbersOf(lines[k - 1]);
        ASSERT_EQ(values.size(), 11u) << lines[k - 1];
        ASSERT_EQ(values[0], int64_t(k));
        // spinStep stays 1 until the 172nd call, which sets it to -4.
        if (k < 172)
            ASSERT_EQ(values[2], 1) << "call " << k;
        if (k == 172)
            EXPECT_EQ(values[2], -4);
        // The first drift change: headingHold 1, driftSpeed 6, zoomStep +1,
        // the counter restarted.
        if (k < 549) {
            ASSERT_EQ(values[10], 0) << "call " << k;
            ASSERT_EQ(values[8], 3) << "call " << k;
            ASSERT_EQ(values[9], int64_t(k)) << "call " << k;
        }
        if (k == 549) {
            EXPECT_EQ(values[10], 1);
            EXPECT_EQ(values[8], 6);
            EXPECT_EQ(values[4], 1);
            EXPECT_EQ(values[9], 1);
        }
    }
}

TEST_F(PreviewTrace, LinesAreTheMotionAfterEachCall)
{
    const ToolRun run = trace(987654321, 300);
    ASSERT_EQ(run.status, 0) << describe(run);
    const auto lines = linesOf(run.out);
    ASSERT_EQ(lines.size(), 300u);
    const SaverPicture picture = loadSaverPicture(gif, "picture.gif");
    const auto effect = startSaverEffect(picture, 987654321);
    for (size_t k = 1; k <= lines.size(); ++k) {
        stepSaverEffect(*effect, picture);
        const MotionState& m = effect->motionState;
        std::ostringstream expected;
        expected << k << ' ' << m.angle << ' ' << m.spinStep << ' ' << m.zoom << ' ' << m.zoomStep << ' ' << m.panU
                 << ' ' << m.panV << ' ' << m.driftHeading << ' ' << m.driftSpeed << ' ' << m.frameCounter << ' '
                 << m.headingHold;
        ASSERT_EQ(lines[k - 1], expected.str()) << "call " << k;
    }
}

TEST_F(PreviewTrace, WithoutTraceStdoutHoldsTheSummary)
{
    const ToolRun run = glimmer({"preview", path("picture.gif"), "--seed", "5", "--frames", "3"});
    ASSERT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(run.out, "drew 3 frames of " + path("picture.gif") + " with seed 5\n");
    EXPECT_EQ(run.err, "");
}
