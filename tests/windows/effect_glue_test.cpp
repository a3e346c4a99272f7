// SPDX-License-Identifier: GPL-3.0-or-later
// The effect's Windows side against the DirectDraw test doubles: the picture
// surface and palette of initEffect, the capture, copy and present of
// renderFrame, and what each does when a surface cannot be made, locked or
// presented.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "display_doubles.h"
#include "effect/effect_win.h"
#include "message_box_watcher.h"
#include "package/package_reader_win.h"

namespace {

// The default picture of the source tree: a 256 x 256 GIF with a full colour table.
std::string defaultPicture()
{
    std::string source = __FILE__;
    const size_t tests = source.rfind("/tests/");
    return windowsPathOf(source.substr(0, tests) + "/assets/glimmerwheel.gif");
}

std::vector<unsigned char> fileBytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    unsigned char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    return bytes;
}

struct Outcome {
    int result = -1;
    std::vector<SeenBox> boxes;
};

struct Job {
    std::function<int()> work;
    int result = -1;
};

DWORD WINAPI runJob(void* context)
{
    Job* job = static_cast<Job*>(context);
    job->result = job->work();
    return 0;
}

// Runs `work` on a thread of its own, answering (and recording) every box it shows.
Outcome answeringBoxes(std::function<int()> work)
{
    Job job{std::move(work)};
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, runJob, &job, 0, &threadId);
    Outcome outcome;
    if (!thread)
        return outcome;
    outcome.boxes = answerBoxesUntil(
        GetCurrentProcessId(), threadId, [&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    outcome.result = job.result;
    return outcome;
}

class EffectGlue : public DisplayDoubles {
protected:
    void SetUp() override
    {
        DisplayDoubles::SetUp();
        resetEffectRun(&effectRun);
        lockErrorShown = 0;
        imagePackage = ImagePackage{};
        imagePackage.imageCount = 1;
        imagePackage.width[0] = 256;
        imagePackage.height[0] = 256;
        imagePackage.colourKey[0] = noColourKey;
        imagePackage.kind[0] = 'x';  // nothing to decode unless a test says so
        packagePathText = L"no such file";
        packagePath = packagePathText.data();
    }

    // Opens the doubles full screen and runs initEffect; the picture surface is "image".
    Outcome openAndInit(DWORD flags = displayFullScreen)
    {
        EXPECT_EQ(open(flags), displayOk);
        doubles.surfaceNames = {"image"};
        return answeringBoxes([] { return initEffect(); });
    }

    FakeSurface* primary() { return doubles.surface("primary"); }
    FakeSurface* back() { return doubles.surface("back"); }
    FakeSurface* image() { return doubles.surface("image"); }

    std::wstring packagePathText;  // what packagePath points at
};

}  // namespace

TEST_F(EffectGlue, PictureSurfaceHasThePicturesSizeAndVideoMemoryFirst)
{
    imagePackage.width[0] = 0x10000 + 300;  // only the low 16 bits reach the surface
    imagePackage.height[0] = 200;
    const Outcome init = openAndInit();
    EXPECT_EQ(init.result, 1);
    EXPECT_TRUE(init.boxes.empty());
    ASSERT_NE(image(), nullptr);
    EXPECT_EQ(displayDevice.lpImage1, static_cast<IDirectDrawSurface*>(image()));
    EXPECT_EQ(image()->createdWith.dwWidth, 300u);
    EXPECT_EQ(image()->createdWith.dwHeight, 200u);
    EXPECT_EQ(image()->createdWith.ddsCaps.dwCaps, DWORD(DDSCAPS_OFFSCREENPLAIN));
}

TEST_F(EffectGlue, NoColourKeyFor999)
{
    ASSERT_EQ(openAndInit().result, 1);
    EXPECT_TRUE(image()->colourKeys.empty());
}

TEST_F(EffectGlue, ColourKeyIsTheSourceBlitKey)
{
    imagePackage.colourKey[0] = 17;
    ASSERT_EQ(openAndInit().result, 1);
    ASSERT_EQ(image()->colourKeys.size(), 1u);
    EXPECT_EQ(image()->colourKeys[0].flags, DWORD(DDCKEY_SRCBLT));
    EXPECT_EQ(image()->colourKeys[0].key.dwColorSpaceLowValue, 17u);
    EXPECT_EQ(image()->colourKeys[0].key.dwColorSpaceHighValue, 0u);
}

TEST_F(EffectGlue, SeedIsTheCalendarTimeAndTheBackgroundIndexIsFound)
{
    const uint32_t before = uint32_t(std::time(nullptr));
    ASSERT_EQ(openAndInit().result, 1);
    const uint32_t after = uint32_t(std::time(nullptr));
    EXPECT_GE(effectRun.randomGenerator.state, before);
    EXPECT_LE(effectRun.randomGenerator.state, after);
    EXPECT_EQ(effectRun.motionState.zoom, 200);
    EXPECT_EQ(effectRun.motionState.panU, 0x8000);
    EXPECT_EQ(effectRun.trigTables.sinTable[64], 256);
}

// Without a GIF the palette stays black: every entry ties, the last one wins.
TEST_F(EffectGlue, OtherKindLeavesThePaletteBlack)
{
    ASSERT_EQ(openAndInit().result, 1);
    FakePalette* palette = doubles.palettes.at(0).get();
    ASSERT_EQ(palette->setEntries.size(), 1u);
    EXPECT_EQ(palette->setEntries[0].first, 0u);
    EXPECT_EQ(palette->setEntries[0].count, 256u);
    for (const PALETTEENTRY& entry : palette->setEntries[0].entries)
        ASSERT_EQ(entry.peRed | entry.peGreen | entry.peBlue, 0);
    EXPECT_EQ(effectRun.backgroundIndex, 255);
    EXPECT_TRUE(image()->locks.empty());
}

TEST_F(EffectGlue, GifPictureAndPaletteAreLoaded)
{
    const std::string path = defaultPicture();
    const auto gif = fileBytes(path);
    ASSERT_GT(gif.size(), 13u + 768u) << path;
    packagePathText.assign(path.begin(), path.end());  // the source tree's path is ASCII
    packagePath = packagePathText.data();
    imagePackage.kind[0] = 'g';
    imagePackage.offset[0] = 0;
    imagePackage.length[0] = int32_t(gif.size());
    ASSERT_EQ(openAndInit().result, 1);

    FakePalette* palette = doubles.palettes.at(0).get();
    ASSERT_EQ(palette->setEntries.size(), 1u);
    PaletteEntry expected[paletteSize];
    for (int i = 0; i < paletteSize; ++i) {
        expected[i] = {gif[size_t(13 + 3 * i)], gif[size_t(14 + 3 * i)], gif[size_t(15 + 3 * i)], 0};
        ASSERT_EQ(palette->setEntries[0].entries[size_t(i)].peRed, expected[i].red) << i;
        ASSERT_EQ(palette->setEntries[0].entries[size_t(i)].peGreen, expected[i].green) << i;
        ASSERT_EQ(palette->setEntries[0].entries[size_t(i)].peBlue, expected[i].blue) << i;
    }
    EXPECT_EQ(effectRun.backgroundIndex, findBackgroundIndex(expected));
    // The picture went into the picture surface.
    ASSERT_EQ(image()->locks.size(), 1u);
    bool varied = false;
    for (size_t i = 1; i < image()->memory.size() && !varied; ++i)
        varied = image()->memory[i] != image()->memory[0];
    EXPECT_TRUE(varied);
}

// The picture surface cannot be made: its box, then the saver ends instead of
// drawing from a surface that does not exist.
TEST_F(EffectGlue, FailedPictureSurfaceShowsItsBoxAndEndsTheSaver)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.script("CreateSurface", DDERR_INVALIDPARAMS);
    const Outcome init = answeringBoxes([] { return initEffect(); });
    EXPECT_EQ(init.result, 0);
    ASSERT_EQ(init.boxes.size(), 1u);
    EXPECT_EQ(init.boxes[0].caption, "Error initialising lpImage1 surface");
    EXPECT_EQ(init.boxes[0].text, "");
    EXPECT_EQ(displayDevice.lpImage1, nullptr);
    EXPECT_TRUE(doubles.palettes.at(0)->setEntries.empty());
}

TEST_F(EffectGlue, FirstFrameCapturesThePictureOnce)
{
    imagePackage.width[0] = 300;
    imagePackage.height[0] = 260;
    ASSERT_EQ(openAndInit().result, 1);
    image()->prepareMemory(320, 0);
    for (size_t i = 0; i < image()->memory.size(); ++i)
        image()->memory[i] = uint8_t(i % 320 + i / 320 * 3);

    const Outcome first = answeringBoxes([] { return renderFrame(); });
    EXPECT_EQ(first.result, displayOk);
    ASSERT_EQ(image()->locks.size(), 1u);
    EXPECT_TRUE(image()->locks[0].hasRect);
    EXPECT_EQ(image()->locks[0].rect.left, 0);
    EXPECT_EQ(image()->locks[0].rect.top, 0);
    EXPECT_EQ(image()->locks[0].rect.right, 300);
    EXPECT_EQ(image()->locks[0].rect.bottom, 260);
    EXPECT_EQ(image()->locks[0].flags, DWORD(DDLOCK_WAIT));
    EXPECT_EQ(image()->unlocks.size(), 1u);
    for (int r = 0; r < 255; ++r)
        for (int c = 0; c < 255; ++c)
            ASSERT_EQ(effectRun.texture[r * 256 + c], image()->memory[size_t(r * 320 + c)]) << r << "," << c;
    EXPECT_EQ(effectRun.texture[255 * 256 + 7], uint8_t(effectRun.backgroundIndex));
    EXPECT_EQ(effectRun.texture[7 * 256 + 255], uint8_t(effectRun.backgroundIndex));
    EXPECT_EQ(effectRun.motionState.driftSpeed, 3);

    EXPECT_EQ(answeringBoxes([] { return renderFrame(); }).result, displayOk);
    EXPECT_EQ(image()->locks.size(), 1u);
}

// Each frame reaches the back buffer row by row and is flipped to the screen;
// the frame shows the motion from before the frame's update.
TEST_F(EffectGlue, FrameIsCopiedIntoTheBackBufferAndFlipped)
{
    ASSERT_EQ(openAndInit().result, 1);
    back()->prepareMemory(704, 0xEE);
    const MotionState before = effectRun.motionState;
    EXPECT_EQ(answeringBoxes([] { return renderFrame(); }).result, displayOk);
    EXPECT_EQ(effectRun.motionState.angle, before.angle + 1);
    ASSERT_EQ(back()->locks.size(), 1u);
    EXPECT_EQ(back()->locks[0].rect.right, 640);
    EXPECT_EQ(back()->locks[0].rect.bottom, 480);
    for (int y = 0; y < frameHeight; ++y) {
        ASSERT_EQ(std::memcmp(&back()->memory[size_t(y) * 704], effectRun.frameBuffer + y * frameWidth, frameWidth), 0)
            << "row " << y;
        ASSERT_EQ(back()->memory[size_t(y) * 704 + 640], 0xEE) << "row " << y;
    }
    EXPECT_EQ(back()->unlocks.size(), 1u);
    EXPECT_EQ(primary()->flips.size(), 1u);
}

// Another program took the screen: the frame is skipped without a word and
// the surfaces are restored; the next frame is shown again.
TEST_F(EffectGlue, LostBackBufferSkipsTheFrameAndRestores)
{
    ASSERT_EQ(openAndInit().result, 1);
    doubles.script("back.Lock", DDERR_SURFACELOST);
    const Outcome lost = answeringBoxes([] { return renderFrame(); });
    EXPECT_EQ(lost.result, displayFailed);
    EXPECT_TRUE(lost.boxes.empty());
    EXPECT_EQ(primary()->restores, 1);
    EXPECT_TRUE(primary()->flips.empty());
    EXPECT_TRUE(back()->unlocks.empty());

    EXPECT_EQ(answeringBoxes([] { return renderFrame(); }).result, displayOk);
    EXPECT_EQ(primary()->flips.size(), 1u);
}

TEST_F(EffectGlue, LostPresentRestores)
{
    ASSERT_EQ(openAndInit().result, 1);
    doubles.script("primary.Flip", DDERR_SURFACELOST);
    const Outcome lost = answeringBoxes([] { return renderFrame(); });
    EXPECT_EQ(lost.result, displayFailed);
    EXPECT_TRUE(lost.boxes.empty());
    EXPECT_EQ(primary()->restores, 1);
}

// Any other failed lock: "lock error" once in the run, never one box a frame,
// and nothing goes through the failed lock or to the screen.
TEST_F(EffectGlue, OtherLockFailuresShowLockErrorOnce)
{
    ASSERT_EQ(openAndInit().result, 1);
    doubles.script("back.Lock", DDERR_GENERIC, 3);
    const Outcome frames = answeringBoxes([] {
        int failures = 0;
        for (int i = 0; i < 3; ++i)
            failures += renderFrame() == displayFailed;
        return failures;
    });
    EXPECT_EQ(frames.result, 3);
    ASSERT_EQ(frames.boxes.size(), 1u);
    EXPECT_EQ(frames.boxes[0].caption, "MESSAGE");
    EXPECT_EQ(frames.boxes[0].text, "lock error");
    EXPECT_TRUE(back()->unlocks.empty());
    EXPECT_TRUE(primary()->flips.empty());
    EXPECT_EQ(primary()->restores, 0);
}

// The capture's lock fails: its box, the texture stays as it was, and the
// frame is still drawn and shown.
TEST_F(EffectGlue, FailedCaptureLockLeavesTheTextureAlone)
{
    ASSERT_EQ(openAndInit().result, 1);
    doubles.script("image.Lock", DDERR_GENERIC);
    const Outcome frame = answeringBoxes([] { return renderFrame(); });
    EXPECT_EQ(frame.result, displayOk);
    ASSERT_EQ(frame.boxes.size(), 1u);
    EXPECT_EQ(frame.boxes[0].text, "lock error");
    EXPECT_TRUE(image()->unlocks.empty());
    for (int i = 0; i < textureBytes; ++i)
        ASSERT_EQ(effectRun.texture[i], 0) << i;
    EXPECT_EQ(primary()->flips.size(), 1u);
    // Shown once a run: a later failure stays quiet.
    doubles.script("back.Lock", DDERR_GENERIC);
    EXPECT_TRUE(answeringBoxes([] { return renderFrame(); }).boxes.empty());
}

// The windowed test mode converts the frame for the desktop and blits it.
TEST_F(EffectGlue, WindowedFrameIsBlittedIntoTheWindow)
{
    doubles.displayBits = 32;
    ASSERT_EQ(openAndInit(0).result, 1);
    EXPECT_EQ(answeringBoxes([] { return renderFrame(); }).result, displayOk);
    EXPECT_EQ(back()->locks.size(), 1u);
    ASSERT_EQ(primary()->blts.size(), 1u);
    EXPECT_EQ(primary()->blts[0].source, static_cast<IDirectDrawSurface*>(back()));
}

// The tables as the Windows C runtime's sin and cos build them.
TEST(EffectTables, FixedRowsWithThePlatformsLibm)
{
    TrigTables tables;
    buildTrigTables(&tables);
    const int rows[][5] = {{0, 0, 256, 255, 0},      {1, 6, 255, 255, -6},    {32, 181, 181, 180, -181},
                           {64, 256, 0, 0, -255},    {128, 0, -255, -255, 0}, {192, -256, 0, 0, 255},
                           {255, -6, 255, 255, 6}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        EXPECT_EQ(tables.sinTable[row[0]], row[1]);
        EXPECT_EQ(tables.cosTable[row[0]], row[2]);
        EXPECT_EQ(tables.sinPerpTable[row[0]], row[3]);
        EXPECT_EQ(tables.cosPerpTable[row[0]], row[4]);
    }
}
