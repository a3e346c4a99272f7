// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "effect/rotozoom.h"

namespace {

// Texel (r, c) holds r, or c: a frame drawn from each shows, per pixel, the
// texel row and the texel column that the pixel reads.
std::vector<uint8_t> rowTexture()
{
    std::vector<uint8_t> texture(textureBytes);
    for (int i = 0; i < textureBytes; ++i)
        texture[size_t(i)] = uint8_t(i / textureSize);
    return texture;
}

std::vector<uint8_t> columnTexture()
{
    std::vector<uint8_t> texture(textureBytes);
    for (int i = 0; i < textureBytes; ++i)
        texture[size_t(i)] = uint8_t(i % textureSize);
    return texture;
}

TrigTables tables()
{
    TrigTables built;
    buildTrigTables(&built);
    return built;
}

MotionState motionAt(int32_t angle, int32_t zoom, int32_t panU, int32_t panV)
{
    MotionState motion = {};
    motion.angle = angle;
    motion.zoom = zoom;
    motion.panU = panU;
    motion.panV = panV;
    return motion;
}

// The frame's steps worked out by hand, as exact products.
struct Steps {
    int64_t du, dv, ru, rv, originU, originV;
};

int64_t floorDiv256(int64_t value) { return value >= 0 ? value / 256 : -((-value + 255) / 256); }

Steps stepsFor(const TrigTables& t, const MotionState& m)
{
    Steps s;
    s.du = floorDiv256(int64_t(m.zoom) * t.cosTable[m.angle]);
    s.dv = floorDiv256(int64_t(m.zoom) * t.sinTable[m.angle]);
    s.ru = floorDiv256(int64_t(m.zoom) * t.cosPerpTable[m.angle]);
    s.rv = floorDiv256(int64_t(m.zoom) * t.sinPerpTable[m.angle]);
    s.originU = int64_t(m.panU) - 128 * s.ru - 128 * s.du;
    s.originV = int64_t(m.panV) - 128 * s.dv - 128 * s.rv;
    return s;
}

// Pixel (x, y) reads texel column ((originU + y ru + (x + 1) du) >> 8) & 255
// and row ((originV + y rv + (x + 1) dv) >> 8) & 255.
int columnAt(const Steps& s, int x, int y) { return int(((s.originU + y * s.ru + (x + 1) * s.du) >> 8) & 255); }
int rowAt(const Steps& s, int x, int y) { return int(((s.originV + y * s.rv + (x + 1) * s.dv) >> 8) & 255); }

using DrawProcedure = void (*)(const TrigTables&, const MotionState&, const uint8_t*, uint8_t*, int, int);

struct DrawForm {
    const char* name;
    DrawProcedure draw;
};

const DrawForm drawForms[] = {{"shipped", drawRotozoom}, {"plain", drawRotozoomPlain}};

std::vector<uint8_t> drawn(DrawProcedure draw, const TrigTables& t, const MotionState& m,
                           const std::vector<uint8_t>& texture, int width = frameWidth, int height = frameHeight)
{
    std::vector<uint8_t> frame(size_t(width) * size_t(height), 0xCD);
    draw(t, m, texture.data(), frame.data(), width, height);
    return frame;
}

// Compares a whole frame with the closed form; stops at the first difference.
::testing::AssertionResult matchesClosedForm(DrawProcedure draw, const TrigTables& t, const MotionState& m,
                                             const Steps& s)
{
    const auto columns = drawn(draw, t, m, columnTexture());
    const auto rows = drawn(draw, t, m, rowTexture());
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < frameWidth; ++x) {
            const size_t at = size_t(y) * frameWidth + size_t(x);
            if (columns[at] != columnAt(s, x, y) || rows[at] != rowAt(s, x, y))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " shows row " << int(rows[at]) << " column "
                       << int(columns[at]) << ", expected row " << rowAt(s, x, y) << " column " << columnAt(s, x, y);
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Rotozoom, FirstFrameSteps)
{
    const TrigTables t = tables();
    const MotionState first = motionAt(0, 200, 0x8000, 0);
    const Steps worked = {200, 0, 0, 199, 7168, -25472};
    const Steps computed = stepsFor(t, first);
    EXPECT_EQ(computed.du, worked.du);
    EXPECT_EQ(computed.dv, worked.dv);
    EXPECT_EQ(computed.ru, worked.ru);
    EXPECT_EQ(computed.rv, worked.rv);
    EXPECT_EQ(computed.originU, worked.originU);
    EXPECT_EQ(computed.originV, worked.originV);
    for (const DrawForm& form : drawForms)
        EXPECT_TRUE(matchesClosedForm(form.draw, t, first, worked)) << form.name;
}

TEST(Rotozoom, FirstFramePixels)
{
    const TrigTables t = tables();
    const MotionState first = motionAt(0, 200, 0x8000, 0);
    for (const DrawForm& form : drawForms) {
        SCOPED_TRACE(form.name);
        const auto rows = drawn(form.draw, t, first, rowTexture());
        const auto columns = drawn(form.draw, t, first, columnTexture());
        auto at = [](int x, int y) { return size_t(y) * frameWidth + size_t(x); };
        EXPECT_EQ(rows[at(0, 0)], 156);
        EXPECT_EQ(columns[at(0, 0)], 28);
        EXPECT_EQ(rows[at(127, 128)], 0);
        EXPECT_EQ(columns[at(127, 128)], 128);
        EXPECT_EQ(rows[at(639, 479)], 16);
        EXPECT_EQ(columns[at(639, 479)], 16);
    }
}

// One texel per pixel across; 255/256 texel per row down, so one texel row in
// 256 is shown twice.
TEST(Rotozoom, AngleZeroZoom256)
{
    const TrigTables t = tables();
    const MotionState m = motionAt(0, 256, 0x1234, 0x0456);
    for (const DrawForm& form : drawForms) {
        SCOPED_TRACE(form.name);
        const auto rows = drawn(form.draw, t, m, rowTexture());
        const auto columns = drawn(form.draw, t, m, columnTexture());
        for (int y = 0; y < frameHeight; ++y) {
            for (int x = 1; x < frameWidth; ++x) {
                const size_t at = size_t(y) * frameWidth + size_t(x);
                ASSERT_EQ(columns[at], uint8_t(columns[at - 1] + 1)) << x << "," << y;
                ASSERT_EQ(rows[at], rows[at - 1]) << x << "," << y;
            }
        }
        int repeats = 0;
        for (int y = 1; y < 256; ++y) {
            const uint8_t previous = rows[size_t(y - 1) * frameWidth];
            const uint8_t current = rows[size_t(y) * frameWidth];
            ASSERT_TRUE(current == previous || current == uint8_t(previous + 1)) << "row " << y;
            repeats += current == previous;
        }
        EXPECT_EQ(repeats, 1);
    }
}

// zoom 200 times cosPerpTable[64] = -255 is -199.2: the row step is -200.
TEST(Rotozoom, AngleQuarterRowStepRoundsDown)
{
    const TrigTables t = tables();
    const MotionState m = motionAt(64, 200, 0x8000, 0);
    const Steps computed = stepsFor(t, m);
    EXPECT_EQ(computed.du, 0);
    EXPECT_EQ(computed.dv, 200);
    EXPECT_EQ(computed.ru, -200);
    EXPECT_EQ(computed.rv, 0);
    for (const DrawForm& form : drawForms)
        EXPECT_TRUE(matchesClosedForm(form.draw, t, m, computed)) << form.name;

    Steps truncated = computed;
    truncated.ru = -199;
    truncated.originU = int64_t(m.panU) + 128 * 199;
    EXPECT_FALSE(matchesClosedForm(drawRotozoom, t, m, truncated));
}

TEST(Rotozoom, ClosedFormAtExtremeZooms)
{
    const TrigTables t = tables();
    for (int32_t zoom : {5, 4, 1000, 1001, 1}) {
        for (int32_t angle : {0, 17, 100, 200, 255}) {
            const MotionState m = motionAt(angle, zoom, int32_t(0x7FFFF123u), -987654);
            for (const DrawForm& form : drawForms)
                ASSERT_TRUE(matchesClosedForm(form.draw, t, m, stepsFor(t, m)))
                    << form.name << " zoom " << zoom << " angle " << angle;
        }
    }
}

// Rotation and scaling pivot about column 127, row 128, whatever the motion.
TEST(Rotozoom, PanCentreOnPivotPixel)
{
    const TrigTables t = tables();
    const auto rows = rowTexture();
    const auto columns = columnTexture();
    std::mt19937 random(7);
    for (int i = 0; i < 60; ++i) {
        const MotionState m = motionAt(int32_t(random() % 256), int32_t(random() % 1100),
                                       int32_t(random()), int32_t(random()));
        const size_t pivot = size_t(128) * frameWidth + 127;
        const auto rowFrame = drawn(drawRotozoom, t, m, rows);
        const auto columnFrame = drawn(drawRotozoom, t, m, columns);
        ASSERT_EQ(rowFrame[pivot], uint8_t(uint32_t(m.panV) >> 8));
        ASSERT_EQ(columnFrame[pivot], uint8_t(uint32_t(m.panU) >> 8));
    }
}

// The shipped loop against the plain one over every angle and many zooms,
// pans and frame sizes, on a texture of random bytes.
TEST(Rotozoom, ShippedLoopMatchesPlainLoop)
{
    const TrigTables t = tables();
    std::mt19937 random(20240601);
    std::vector<uint8_t> texture(textureBytes);
    for (auto& texel : texture)
        texel = uint8_t(random());

    const int32_t zooms[] = {1, 4, 5, 6, 100, 199, 200, 255, 256, 257, 511, 999, 1000, 1001, -1, 65536 + 37};
    const int32_t pans[][2] = {{0x8000, 0}, {0, 0}, {-1, 0x7FFFFFFF}, {int32_t(0x80000000u), 12345}};
    for (int angle = 0; angle < trigSteps; ++angle) {
        for (int32_t zoom : zooms) {
            for (const auto& pan : pans) {
                const MotionState m = motionAt(angle, zoom, pan[0], pan[1]);
                const auto shipped = drawn(drawRotozoom, t, m, texture, 141, 7);
                const auto plain = drawn(drawRotozoomPlain, t, m, texture, 141, 7);
                ASSERT_EQ(shipped, plain) << "angle " << angle << " zoom " << zoom << " pan " << pan[0] << ","
                                          << pan[1];
            }
        }
    }
    for (int i = 0; i < 40; ++i) {
        const MotionState m = motionAt(int32_t(random() % 256), int32_t(random() % 1200) - 100,
                                       int32_t(random()), int32_t(random()));
        ASSERT_EQ(drawn(drawRotozoom, t, m, texture), drawn(drawRotozoomPlain, t, m, texture)) << "frame " << i;
    }
}

// Widths that are no multiple of the shipped loop's eight pixels or of its
// strips of 128 columns, heights of one row: the same bytes as the plain loop,
// and nothing written past the frame.
TEST(Rotozoom, OddSizesStayInsideTheFrame)
{
    const TrigTables t = tables();
    std::vector<uint8_t> texture(textureBytes);
    for (int i = 0; i < textureBytes; ++i)
        texture[size_t(i)] = uint8_t(i * 31 + (i >> 8));
    // Steep and flat: drawn in strips, and in whole rows.
    const MotionState motions[] = {motionAt(37, 333, 0x12345, -0x6789), motionAt(1, 20, -0x4321, 0x777)};
    const size_t guard = 64;
    std::vector<int> widths;
    for (int width = 1; width <= 41; ++width)
        widths.push_back(width);
    for (int width : {127, 128, 129, 135, 136, 137, 255, 256, 257, 263, 391})
        widths.push_back(width);
    for (const MotionState& m : motions) {
        for (int width : widths) {
            for (int height : {1, 2, 7}) {
                const size_t size = size_t(width) * size_t(height);
                std::vector<uint8_t> shipped(size + 2 * guard, 0xA5);
                std::vector<uint8_t> plain(size + 2 * guard, 0xA5);
                drawRotozoom(t, m, texture.data(), shipped.data() + guard, width, height);
                drawRotozoomPlain(t, m, texture.data(), plain.data() + guard, width, height);
                ASSERT_EQ(shipped, plain) << width << "x" << height << " angle " << m.angle;
                for (size_t i = 0; i < guard; ++i) {
                    ASSERT_EQ(shipped[i], 0xA5);
                    ASSERT_EQ(shipped[guard + size + i], 0xA5);
                }
            }
        }
    }
}

TEST(Rotozoom, EmptyFrameDrawsNothing)
{
    const TrigTables t = tables();
    const auto texture = rowTexture();
    uint8_t sentinel[16];
    for (auto& byte : sentinel)
        byte = 0x77;
    const MotionState m = motionAt(0, 200, 0x8000, 0);
    drawRotozoom(t, m, texture.data(), sentinel, 0, 4);
    drawRotozoom(t, m, texture.data(), sentinel, 4, 0);
    drawRotozoomPlain(t, m, texture.data(), sentinel, -4, 4);
    for (uint8_t byte : sentinel)
        EXPECT_EQ(byte, 0x77);
}

// A 256 x 256 picture's border texels show as lines along every tile seam.
TEST(Rotozoom, TileSeamsShowBackground)
{
    const TrigTables t = tables();
    std::vector<uint8_t> picture(textureBytes, 9);
    std::vector<uint8_t> texture(textureBytes, 0);
    captureTexture(picture.data(), 256, 256, 256, 255, texture.data());
    // At angle 0 and zoom 256, each frame row reads one texel row: texel row
    // 255 fills whole frame rows.
    const MotionState m = motionAt(0, 256, 0, 0);
    const auto frame = drawn(drawRotozoom, t, m, texture);
    const Steps s = stepsFor(t, m);
    int seamRows = 0;
    for (int y = 0; y < frameHeight; ++y) {
        const bool seam = rowAt(s, 0, y) == 255;
        seamRows += seam;
        for (int x = 0; x < frameWidth; ++x) {
            const bool seamPixel = seam || columnAt(s, x, y) == 255;
            ASSERT_EQ(frame[size_t(y) * frameWidth + size_t(x)], seamPixel ? 255 : 9) << x << "," << y;
        }
    }
    EXPECT_GE(seamRows, 1);
}
