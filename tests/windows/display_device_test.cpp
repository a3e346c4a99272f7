// SPDX-License-Identifier: GPL-3.0-or-later
// The display device against DirectDraw test doubles: what it asks of
// DirectDraw, in which order, and how it answers scripted results.
#include <cstring>

#include "display_doubles.h"

namespace {

using Calls = std::vector<std::string>;

const Calls fullScreenOpening = {"DirectDrawCreate", "SetCooperativeLevel", "SetDisplayMode", "CreateSurface",
                                 "primary.GetAttachedSurface", "CreatePalette", "primary.SetPalette"};
const Calls windowedOpening = {"DirectDrawCreate", "SetCooperativeLevel", "CreateSurface", "CreateSurface",
                               "CreatePalette", "primary.SetPalette"};

PALETTEENTRY entry(BYTE red, BYTE green, BYTE blue, BYTE flags = 0)
{
    return PALETTEENTRY{red, green, blue, flags};
}

bool sameEntry(const PALETTEENTRY& a, const PALETTEENTRY& b)
{
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue && a.peFlags == b.peFlags;
}

// A palette whose every entry differs from its neighbours and from black.
std::vector<PALETTEENTRY> rampPalette()
{
    std::vector<PALETTEENTRY> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = entry(BYTE(i), BYTE(255 - i), BYTE(i * 7), 0);
    return palette;
}

}  // namespace

// ---- openDisplay ----

TEST_F(DisplayDoubles, FullScreenOpeningSetsTheModeAndMakesAFlipChainWithOneBackBuffer)
{
    displayDevice.lastResult = DDERR_GENERIC;
    ASSERT_EQ(open(displayFullScreen), displayOk);
    EXPECT_EQ(doubles.calls, fullScreenOpening);
    EXPECT_EQ(doubles.createdWithDriver, nullptr);
    EXPECT_EQ(doubles.createdWithOuter, nullptr);
    EXPECT_EQ(doubles.directDraw.cooperativeWindow, window);
    EXPECT_EQ(doubles.directDraw.cooperativeLevel, DWORD(DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE));
    EXPECT_EQ(doubles.directDraw.cooperativeLevel, 0x11u);
    EXPECT_EQ(doubles.directDraw.modeWidth, 640u);
    EXPECT_EQ(doubles.directDraw.modeHeight, 480u);
    EXPECT_EQ(doubles.directDraw.modeDepth, 8u);

    ASSERT_EQ(doubles.directDraw.surfaceRequests.size(), 1u);
    const DDSURFACEDESC& chain = doubles.directDraw.surfaceRequests[0];
    EXPECT_EQ(chain.dwSize, sizeof(DDSURFACEDESC));
    EXPECT_EQ(chain.dwFlags, 0x21u);
    EXPECT_EQ(chain.ddsCaps.dwCaps, 0x218u);
    EXPECT_EQ(chain.dwBackBufferCount, 1u);
    EXPECT_EQ(chain.dwWidth, 0u);
    EXPECT_EQ(chain.dwHeight, 0u);

    FakeSurface* primary = doubles.surface("primary");
    FakeSurface* back = doubles.surface("back");
    ASSERT_NE(primary, nullptr);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(primary->attachedQueries.size(), 1u);
    EXPECT_EQ(primary->attachedQueries[0].dwCaps, DWORD(DDSCAPS_BACKBUFFER));
    EXPECT_EQ(displayDevice.directDraw, &doubles.directDraw);
    EXPECT_EQ(displayDevice.primarySurface, primary);
    EXPECT_EQ(displayDevice.backBuffer, back);
    ASSERT_EQ(doubles.palettes.size(), 1u);
    EXPECT_EQ(displayDevice.displayPalette, doubles.palettes[0].get());
    EXPECT_EQ(doubles.palettes[0]->createdWithCaps, 0x44u);
    ASSERT_EQ(primary->palettes.size(), 1u);
    EXPECT_EQ(primary->palettes[0], doubles.palettes[0].get());
    EXPECT_EQ(displayDevice.displayFlags, displayFullScreen);
    EXPECT_EQ(displayDevice.lastResult, DD_OK);
}

TEST_F(DisplayDoubles, WindowedOpeningLeavesTheModeAloneAndMakesASeparateBackBuffer)
{
    ASSERT_EQ(open(0), displayOk);
    EXPECT_EQ(doubles.calls, windowedOpening);
    EXPECT_EQ(doubles.createdWithDriver, nullptr);
    EXPECT_EQ(doubles.directDraw.cooperativeLevel, DWORD(DDSCL_NORMAL));
    EXPECT_EQ(doubles.directDraw.modeWidth, 0u);

    ASSERT_EQ(doubles.directDraw.surfaceRequests.size(), 2u);
    const DDSURFACEDESC& primary = doubles.directDraw.surfaceRequests[0];
    EXPECT_EQ(primary.dwSize, sizeof(DDSURFACEDESC));
    EXPECT_EQ(primary.dwFlags, 0x1u);
    EXPECT_EQ(primary.ddsCaps.dwCaps, 0x200u);
    const DDSURFACEDESC& back = doubles.directDraw.surfaceRequests[1];
    EXPECT_EQ(back.dwSize, sizeof(DDSURFACEDESC));
    EXPECT_EQ(back.dwFlags, 0x7u);
    EXPECT_EQ(back.ddsCaps.dwCaps, 0x40u);
    EXPECT_EQ(back.dwWidth, 640u);
    EXPECT_EQ(back.dwHeight, 480u);
    EXPECT_EQ(back.ddpfPixelFormat.dwFlags, 0u);  // the display's format

    EXPECT_EQ(displayDevice.primarySurface, doubles.surface("primary"));
    EXPECT_EQ(displayDevice.backBuffer, doubles.surface("back"));
    EXPECT_EQ(displayDevice.displayFlags, 0u);
}

TEST_F(DisplayDoubles, WindowedBackBufferTakesTheSizeGivenToOpenDisplay)
{
    doubles.surfaceNames = {"primary", "back"};
    ASSERT_EQ(openDisplay(window, 320, 200, 8, 0), displayOk);
    ASSERT_EQ(doubles.directDraw.surfaceRequests.size(), 2u);
    EXPECT_EQ(doubles.directDraw.surfaceRequests[1].dwWidth, 320u);
    EXPECT_EQ(doubles.directDraw.surfaceRequests[1].dwHeight, 200u);
}

TEST_F(DisplayDoubles, FlagTwoCreatesDirectDrawEmulationOnly)
{
    ASSERT_EQ(open(displayEmulationOnly), displayOk);
    EXPECT_EQ(doubles.createdWithDriver, reinterpret_cast<GUID*>(DDCREATE_EMULATIONONLY));
    EXPECT_EQ(doubles.createdWithDriver, reinterpret_cast<GUID*>(2));
    EXPECT_EQ(doubles.calls, windowedOpening);
}

TEST_F(DisplayDoubles, FlagsThreeAreFullScreenAndEmulationOnly)
{
    ASSERT_EQ(open(displayFullScreen | displayEmulationOnly), displayOk);
    EXPECT_EQ(doubles.createdWithDriver, reinterpret_cast<GUID*>(2));
    EXPECT_EQ(doubles.calls, fullScreenOpening);
    EXPECT_EQ(displayDevice.displayFlags, 3u);
}

struct OpeningFailure {
    DWORD flags;
    const char* call;
    int earlierSuccesses;  // successful calls of the same name before the failing one
    HRESULT code;
    size_t callsMade;      // calls up to and including the failing one
};

void PrintTo(const OpeningFailure& failure, std::ostream* out)
{
    *out << failure.call << " failing with flags " << failure.flags;
}

class OpeningStops : public DisplayDoubles, public ::testing::WithParamInterface<OpeningFailure> {};

TEST_P(OpeningStops, AtTheFirstFailingCallWithThreeAndItsCode)
{
    const OpeningFailure& failure = GetParam();
    doubles.script(failure.call, DD_OK, failure.earlierSuccesses);
    doubles.script(failure.call, failure.code);
    EXPECT_EQ(open(failure.flags), displayFailed);
    EXPECT_EQ(displayDevice.lastResult, failure.code);
    const Calls& all = failure.flags & displayFullScreen ? fullScreenOpening : windowedOpening;
    EXPECT_EQ(doubles.calls, Calls(all.begin(), all.begin() + long(failure.callsMade)));
    EXPECT_EQ(doubles.directDraw.releases, 0);  // nothing is undone
}

INSTANTIATE_TEST_SUITE_P(
    DisplayDoubles, OpeningStops,
    ::testing::Values(OpeningFailure{1, "DirectDrawCreate", 0, DDERR_NODIRECTDRAWHW, 1},
                      OpeningFailure{1, "SetCooperativeLevel", 0, DDERR_EXCLUSIVEMODEALREADYSET, 2},
                      OpeningFailure{1, "SetDisplayMode", 0, DDERR_INVALIDMODE, 3},
                      OpeningFailure{1, "CreateSurface", 0, DDERR_OUTOFVIDEOMEMORY, 4},
                      OpeningFailure{1, "primary.GetAttachedSurface", 0, DDERR_NOTFOUND, 5},
                      OpeningFailure{1, "CreatePalette", 0, DDERR_OUTOFMEMORY, 6},
                      OpeningFailure{0, "DirectDrawCreate", 0, DDERR_INVALIDPARAMS, 1},
                      OpeningFailure{0, "SetCooperativeLevel", 0, DDERR_INVALIDPARAMS, 2},
                      OpeningFailure{0, "CreateSurface", 0, DDERR_PRIMARYSURFACEALREADYEXISTS, 3},
                      OpeningFailure{0, "CreateSurface", 1, DDERR_OUTOFMEMORY, 4},
                      OpeningFailure{0, "CreatePalette", 0, DDERR_GENERIC, 5}));

TEST_F(DisplayDoubles, AFailedPaletteAttachmentIsNeitherReportedNorRecorded)
{
    doubles.script("primary.SetPalette", DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(open(displayFullScreen), displayOk);
    EXPECT_EQ(displayDevice.lastResult, DD_OK);
    EXPECT_EQ(doubles.calls, fullScreenOpening);
}

TEST_F(DisplayDoubles, InitialPaletteHoldsTheSystemColoursAtBothEndsAndBlackBetween)
{
    // What the screen gives as its system palette (Wine fills the entries even
    // where it counts none).
    PALETTEENTRY system[256] = {};
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, 0, 10, system);
    GetSystemPaletteEntries(screen, 246, 10, system + 246);
    ReleaseDC(nullptr, screen);
    // The system's dark red and white, so that the copy can be told from zeros.
    ASSERT_TRUE(sameEntry(system[1], entry(128, 0, 0)));
    ASSERT_TRUE(sameEntry(system[255], entry(255, 255, 255)));

    ASSERT_EQ(open(displayFullScreen), displayOk);
    ASSERT_EQ(doubles.palettes.size(), 1u);
    const PALETTEENTRY* initial = doubles.palettes[0]->createdWith;
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY expected = (i < 10 || i >= 246) ? system[i] : entry(0, 0, 0, 0);
        EXPECT_TRUE(sameEntry(initial[i], expected)) << "entry " << i;
        EXPECT_TRUE(sameEntry(currentPalette[i], expected)) << "entry " << i;
    }
}

TEST_F(DisplayDoubles, InitialPaletteIsFreshAtEveryOpening)
{
    ASSERT_EQ(open(0), displayOk);
    std::vector<PALETTEENTRY> palette = rampPalette();
    ASSERT_EQ(setPaletteEntries(palette.data()), displayOk);
    ASSERT_EQ(closeDisplay(), displayOk);  // keeps currentPalette as it was
    ASSERT_TRUE(sameEntry(currentPalette[100], palette[100]));
    ASSERT_EQ(open(0), displayOk);
    ASSERT_EQ(doubles.palettes.size(), 2u);
    EXPECT_TRUE(sameEntry(doubles.palettes[1]->createdWith[100], entry(0, 0, 0, 0)));
    EXPECT_TRUE(sameEntry(currentPalette[100], entry(0, 0, 0, 0)));
}

// ---- clearSurface ----

TEST_F(DisplayDoubles, ClearFillsTheWholeSurfaceWithTheColour)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    FakeSurface* back = doubles.surface("back");
    EXPECT_EQ(clearSurface(back, 0xAB), displayOk);
    ASSERT_EQ(back->blts.size(), 1u);
    const FakeSurface::BltCall& fill = back->blts[0];
    EXPECT_FALSE(fill.hasTarget);
    EXPECT_EQ(fill.source, nullptr);
    EXPECT_FALSE(fill.hasSourceRect);
    EXPECT_EQ(fill.flags, 0x1000400u);
    ASSERT_TRUE(fill.hasEffects);
    EXPECT_EQ(fill.effects.dwSize, sizeof(DDBLTFX));
    EXPECT_EQ(fill.effects.dwFillColor, 0xABu);
    EXPECT_EQ(displayDevice.lastResult, DD_OK);
}

TEST_F(DisplayDoubles, ClearRepeatsWhileTheBlitterIsStillDrawing)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.script("back.Blt", DDERR_WASSTILLDRAWING, 5);
    FakeSurface* back = doubles.surface("back");
    EXPECT_EQ(clearSurface(back, 0), displayOk);
    EXPECT_EQ(back->blts.size(), 6u);
    EXPECT_EQ(doubles.surface("primary")->restores, 0);
    EXPECT_EQ(displayDevice.lastResult, DD_OK);
}

TEST_F(DisplayDoubles, ClearOfALostSurfaceRestoresOnceAndReportsThree)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.script("primary.Blt", DDERR_SURFACELOST);
    FakeSurface* primary = doubles.surface("primary");
    EXPECT_EQ(clearSurface(primary, 0), displayFailed);
    EXPECT_EQ(primary->blts.size(), 1u);
    EXPECT_EQ(primary->restores, 1);
    EXPECT_EQ(doubles.palettes[0]->setEntries.size(), 1u);  // the palette is reloaded
    EXPECT_EQ(displayDevice.lastResult, DDERR_SURFACELOST);
}

TEST_F(DisplayDoubles, ClearBusyThenLostRestoresOnceAfterTheRepeats)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.script("back.Blt", DDERR_WASSTILLDRAWING, 2);
    doubles.script("back.Blt", DDERR_SURFACELOST);
    FakeSurface* back = doubles.surface("back");
    EXPECT_EQ(clearSurface(back, 0), displayFailed);
    EXPECT_EQ(back->blts.size(), 3u);
    EXPECT_EQ(doubles.surface("primary")->restores, 1);
}

TEST_F(DisplayDoubles, ClearOfALostSurfaceWhoseRestoreFailsReportsThree)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.script("back.Blt", DDERR_SURFACELOST);
    doubles.script("primary.Restore", DDERR_WRONGMODE);
    EXPECT_EQ(clearSurface(doubles.surface("back"), 0), displayFailed);
    EXPECT_EQ(doubles.surface("back")->blts.size(), 1u);
    EXPECT_EQ(doubles.surface("primary")->restores, 1);
    EXPECT_EQ(displayDevice.lastResult, DDERR_WRONGMODE);
}

TEST_F(DisplayDoubles, ClearEndsAtOnceWithThreeOnAnyOtherError)
{
    for (HRESULT error : {DDERR_GENERIC, DDERR_INVALIDPARAMS, DDERR_NOBLTHW}) {
        ASSERT_EQ(open(displayFullScreen), displayOk);
        doubles.script("back.Blt", error);
        FakeSurface* back = doubles.surface("back");
        EXPECT_EQ(clearSurface(back, 7), displayFailed);
        EXPECT_EQ(back->blts.size(), 1u);
        EXPECT_EQ(doubles.surface("primary")->restores, 0);
        EXPECT_EQ(displayDevice.lastResult, error);
        forgetDisplayDevice();
        doubles.surfaces.clear();
        doubles.palettes.clear();
    }
}

TEST_F(DisplayDoubles, ClearOfNoSurfaceFailsWithoutACall)
{
    EXPECT_EQ(clearSurface(nullptr, 0), displayFailed);
    EXPECT_TRUE(doubles.calls.empty());
}

// ---- createOffscreenSurface ----

TEST_F(DisplayDoubles, OffscreenSurfaceIsTriedInVideoMemoryFirst)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.surfaceNames = {"image"};
    LPDIRECTDRAWSURFACE image = nullptr;
    EXPECT_EQ(createOffscreenSurface(300, 200, 1, &image), displayOk);
    ASSERT_EQ(doubles.directDraw.surfaceRequests.size(), 2u);
    const DDSURFACEDESC& request = doubles.directDraw.surfaceRequests[1];
    EXPECT_EQ(request.dwSize, sizeof(DDSURFACEDESC));
    EXPECT_EQ(request.dwFlags, 0x7u);
    EXPECT_EQ(request.dwWidth, 300u);
    EXPECT_EQ(request.dwHeight, 200u);
    EXPECT_EQ(request.ddsCaps.dwCaps, 0x40u);
    EXPECT_EQ(request.ddpfPixelFormat.dwFlags, 0u);
    EXPECT_EQ(image, doubles.surface("image"));
}

TEST_F(DisplayDoubles, OffscreenSurfaceRetriesOnceInSystemMemoryWhenMemoryRunsOut)
{
    for (HRESULT exhausted : {E_OUTOFMEMORY, DDERR_OUTOFVIDEOMEMORY}) {
        ASSERT_EQ(open(displayFullScreen), displayOk);
        doubles.directDraw.surfaceRequests.clear();
        doubles.script("CreateSurface", exhausted);
        LPDIRECTDRAWSURFACE image = nullptr;
        EXPECT_EQ(createOffscreenSurface(256, 256, 1, &image), displayOk);
        ASSERT_EQ(doubles.directDraw.surfaceRequests.size(), 2u);
        EXPECT_EQ(doubles.directDraw.surfaceRequests[0].ddsCaps.dwCaps, 0x40u);
        EXPECT_EQ(doubles.directDraw.surfaceRequests[1].ddsCaps.dwCaps, 0x840u);
        EXPECT_EQ(doubles.directDraw.surfaceRequests[1].dwWidth, 256u);
        EXPECT_NE(image, nullptr);
        EXPECT_EQ(displayDevice.lastResult, DD_OK);
        forgetDisplayDevice();
    }
}

TEST_F(DisplayDoubles, OffscreenSurfaceReportsAFailedRetryWithItsCode)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.directDraw.surfaceRequests.clear();
    doubles.script("CreateSurface", DDERR_OUTOFVIDEOMEMORY);
    doubles.script("CreateSurface", E_OUTOFMEMORY);
    LPDIRECTDRAWSURFACE image = nullptr;
    EXPECT_EQ(createOffscreenSurface(256, 256, 0, &image), displayFailed);
    EXPECT_EQ(doubles.directDraw.surfaceRequests.size(), 2u);  // no third attempt
    EXPECT_EQ(displayDevice.lastResult, E_OUTOFMEMORY);
}

TEST_F(DisplayDoubles, OffscreenSurfaceIsNotRetriedAfterOtherFailures)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.directDraw.surfaceRequests.clear();
    doubles.script("CreateSurface", DDERR_INVALIDPIXELFORMAT);
    LPDIRECTDRAWSURFACE image = nullptr;
    EXPECT_EQ(createOffscreenSurface(256, 256, 1, &image), displayFailed);
    EXPECT_EQ(doubles.directDraw.surfaceRequests.size(), 1u);
    EXPECT_EQ(displayDevice.lastResult, DDERR_INVALIDPIXELFORMAT);
}

TEST_F(DisplayDoubles, OffscreenSurfaceWithFlagTwoMakesExactlyOneSystemMemoryAttempt)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.directDraw.surfaceRequests.clear();
    doubles.script("CreateSurface", E_OUTOFMEMORY);
    LPDIRECTDRAWSURFACE image = nullptr;
    EXPECT_EQ(createOffscreenSurface(64, 32, surfaceInSystemMemory, &image), displayFailed);
    ASSERT_EQ(doubles.directDraw.surfaceRequests.size(), 1u);
    EXPECT_EQ(doubles.directDraw.surfaceRequests[0].ddsCaps.dwCaps, 0x840u);
    EXPECT_EQ(displayDevice.lastResult, E_OUTOFMEMORY);

    doubles.directDraw.surfaceRequests.clear();
    EXPECT_EQ(createOffscreenSurface(64, 32, surfaceInSystemMemory, &image), displayOk);
    ASSERT_EQ(doubles.directDraw.surfaceRequests.size(), 1u);
    EXPECT_EQ(doubles.directDraw.surfaceRequests[0].ddsCaps.dwCaps, 0x840u);
}

TEST_F(DisplayDoubles, OffscreenSurfaceWithoutDirectDrawFailsCleanly)
{
    LPDIRECTDRAWSURFACE image = nullptr;
    EXPECT_EQ(createOffscreenSurface(64, 32, 0, &image), displayFailed);
    EXPECT_EQ(image, nullptr);
    EXPECT_TRUE(doubles.calls.empty());
}

// ---- setColourKey, setPaletteEntries ----

TEST_F(DisplayDoubles, ColourKeyIsTheSourceBlitKeyWhateverTheKind)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    FakeSurface* back = doubles.surface("back");
    for (DWORD kind : {0u, 2u, 4u, 8u, 16u}) {
        back->colourKeys.clear();
        EXPECT_EQ(setColourKey(back, kind, 17, 42), displayOk);
        ASSERT_EQ(back->colourKeys.size(), 1u);
        EXPECT_EQ(back->colourKeys[0].flags, DWORD(DDCKEY_SRCBLT));
        EXPECT_EQ(back->colourKeys[0].key.dwColorSpaceLowValue, 17u);
        EXPECT_EQ(back->colourKeys[0].key.dwColorSpaceHighValue, 42u);
    }
    doubles.script("back.SetColorKey", DDERR_NOCOLORKEYHW);
    EXPECT_EQ(setColourKey(back, 8, 1, 0), displayFailed);
    EXPECT_EQ(displayDevice.lastResult, DDERR_NOCOLORKEYHW);
}

TEST_F(DisplayDoubles, PaletteEntriesAreLoadedWholeAndKept)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    std::vector<PALETTEENTRY> palette = rampPalette();
    EXPECT_EQ(setPaletteEntries(palette.data()), displayOk);
    FakePalette* displayPalette = doubles.palettes[0].get();
    ASSERT_EQ(displayPalette->setEntries.size(), 1u);
    const FakePalette::SetEntriesCall& call = displayPalette->setEntries[0];
    EXPECT_EQ(call.flags, 0u);
    EXPECT_EQ(call.first, 0u);
    EXPECT_EQ(call.count, 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_TRUE(sameEntry(call.entries[i], palette[i])) << i;
        EXPECT_TRUE(sameEntry(currentPalette[i], palette[i])) << i;
    }
    doubles.script("palette.SetEntries", DDERR_NOPALETTEATTACHED);
    EXPECT_EQ(setPaletteEntries(palette.data()), displayFailed);
    EXPECT_EQ(displayDevice.lastResult, DDERR_NOPALETTEATTACHED);
}

TEST_F(DisplayDoubles, PaletteEntriesWithoutAPaletteOrEntriesFailCleanly)
{
    std::vector<PALETTEENTRY> palette = rampPalette();
    EXPECT_EQ(setPaletteEntries(palette.data()), displayFailed);
    ASSERT_EQ(open(displayFullScreen), displayOk);
    EXPECT_EQ(setPaletteEntries(nullptr), displayFailed);
    EXPECT_TRUE(doubles.palettes[0]->setEntries.empty());
}

// ---- presentFrame ----

TEST_F(DisplayDoubles, FullScreenPresentFlipsAndWaits)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    FakeSurface* primary = doubles.surface("primary");
    EXPECT_EQ(presentFrame(), displayOk);
    EXPECT_EQ(presentFrame(), displayOk);
    ASSERT_EQ(primary->flips.size(), 2u);
    EXPECT_EQ(primary->flips[0].target, nullptr);
    EXPECT_EQ(primary->flips[0].flags, DWORD(DDFLIP_WAIT));
    EXPECT_TRUE(primary->blts.empty());
    // The next frame still goes to the chain's back buffer.
    EXPECT_EQ(displayDevice.backBuffer, doubles.surface("back"));
}

TEST_F(DisplayDoubles, PresentReportsFailuresAndLeavesLostSurfacesAlone)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.script("primary.Flip", DDERR_SURFACELOST);
    EXPECT_EQ(presentFrame(), displayFailed);
    EXPECT_EQ(displayDevice.lastResult, DDERR_SURFACELOST);
    EXPECT_EQ(doubles.surface("primary")->restores, 0);
    EXPECT_EQ(presentFrame(), displayOk);
    EXPECT_EQ(displayDevice.lastResult, DD_OK);
}

TEST_F(DisplayDoubles, WindowedPresentScalesTheWholeBackBufferIntoPresentRect)
{
    ASSERT_EQ(open(0), displayOk);
    displayDevice.presentRect = RECT{10, 20, 330, 260};
    FakeSurface* primary = doubles.surface("primary");
    EXPECT_EQ(presentFrame(), displayOk);
    ASSERT_EQ(primary->blts.size(), 1u);
    const FakeSurface::BltCall& copy = primary->blts[0];
    ASSERT_TRUE(copy.hasTarget);
    EXPECT_EQ(copy.target.left, 10);
    EXPECT_EQ(copy.target.top, 20);
    EXPECT_EQ(copy.target.right, 330);
    EXPECT_EQ(copy.target.bottom, 260);
    EXPECT_EQ(copy.source, doubles.surface("back"));
    EXPECT_FALSE(copy.hasSourceRect);
    EXPECT_EQ(copy.flags, DWORD(DDBLT_WAIT));
    EXPECT_EQ(copy.flags, 0x1000000u);
    EXPECT_FALSE(copy.hasEffects);
    EXPECT_TRUE(primary->flips.empty());
}

TEST_F(DisplayDoubles, WindowedPresentCutsAFrameRectangleThatReachesOffTheScreen)
{
    ASSERT_EQ(open(0), displayOk);
    // The frame of a 640 x 480 client area: 4-pixel borders, 23 pixels of caption.
    displayDevice.presentRect = RECT{-4, -23, 644, 484};
    FakeSurface* primary = doubles.surface("primary");
    EXPECT_EQ(presentFrame(), displayOk);
    ASSERT_EQ(primary->blts.size(), 1u);
    const FakeSurface::BltCall& copy = primary->blts[0];
    EXPECT_EQ(copy.target.left, 0);
    EXPECT_EQ(copy.target.top, 0);
    EXPECT_EQ(copy.target.right, 640);
    EXPECT_EQ(copy.target.bottom, 480);
    ASSERT_TRUE(copy.hasSourceRect);
    // 4 of 648 target pixels are cut on the left and right: 3.95 source pixels;
    // 23 of 507 at the top: 21.8; 4 of 507 at the bottom: 3.79.
    EXPECT_EQ(copy.sourceRect.left, 3);
    EXPECT_EQ(copy.sourceRect.top, 21);
    EXPECT_EQ(copy.sourceRect.right, 637);
    EXPECT_EQ(copy.sourceRect.bottom, 477);
    // presentRect itself stays as the window made it.
    EXPECT_EQ(displayDevice.presentRect.left, -4);
    EXPECT_EQ(displayDevice.presentRect.bottom, 484);
}

TEST_F(DisplayDoubles, WindowedPresentReportsABlitFailure)
{
    ASSERT_EQ(open(0), displayOk);
    doubles.script("primary.Blt", DDERR_SURFACELOST);
    EXPECT_EQ(presentFrame(), displayFailed);
    EXPECT_EQ(displayDevice.lastResult, DDERR_SURFACELOST);
    EXPECT_EQ(doubles.surface("primary")->restores, 0);
}

TEST_F(DisplayDoubles, PresentWithoutAnOpenDisplayFailsCleanly)
{
    EXPECT_EQ(presentFrame(), displayFailed);
    EXPECT_TRUE(doubles.calls.empty());
}

// ---- restoreSurfaces ----

TEST_F(DisplayDoubles, RestoreInFullScreenRestoresTheChainAndReloadsTheLastPalette)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    std::vector<PALETTEENTRY> palette = rampPalette();
    ASSERT_EQ(setPaletteEntries(palette.data()), displayOk);
    displayDevice.lastResult = DDERR_SURFACELOST;
    EXPECT_EQ(restoreSurfaces(), displayOk);
    EXPECT_EQ(doubles.surface("primary")->restores, 1);
    EXPECT_EQ(doubles.surface("back")->restores, 0);  // restored with its chain
    FakePalette* displayPalette = doubles.palettes[0].get();
    ASSERT_EQ(displayPalette->setEntries.size(), 2u);
    const FakePalette::SetEntriesCall& reload = displayPalette->setEntries[1];
    EXPECT_EQ(reload.first, 0u);
    EXPECT_EQ(reload.count, 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_TRUE(sameEntry(reload.entries[i], palette[i])) << i;
    EXPECT_EQ(displayDevice.lastResult, DDERR_SURFACELOST);  // success records nothing
}

TEST_F(DisplayDoubles, RestoreBeforeAnyPaletteWasLoadedReloadsTheInitialOne)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    EXPECT_EQ(restoreSurfaces(), displayOk);
    FakePalette* displayPalette = doubles.palettes[0].get();
    ASSERT_EQ(displayPalette->setEntries.size(), 1u);
    for (int i = 0; i < 256; ++i)
        EXPECT_TRUE(sameEntry(displayPalette->setEntries[0].entries[i], displayPalette->createdWith[i])) << i;
}

TEST_F(DisplayDoubles, RestoreInTheWindowedModeAlsoRestoresTheBackBuffer)
{
    ASSERT_EQ(open(0), displayOk);
    EXPECT_EQ(restoreSurfaces(), displayOk);
    EXPECT_EQ(doubles.surface("primary")->restores, 1);
    EXPECT_EQ(doubles.surface("back")->restores, 1);
}

TEST_F(DisplayDoubles, RestoreReportsEachFailureWithItsCode)
{
    struct Case {
        const char* call;
        HRESULT code;
    };
    for (const Case& failure : {Case{"primary.Restore", DDERR_WRONGMODE}, Case{"back.Restore", DDERR_OUTOFMEMORY},
                                Case{"palette.SetEntries", DDERR_GENERIC}}) {
        ASSERT_EQ(open(0), displayOk);
        doubles.script(failure.call, failure.code);
        EXPECT_EQ(restoreSurfaces(), displayFailed) << failure.call;
        EXPECT_EQ(displayDevice.lastResult, failure.code) << failure.call;
        forgetDisplayDevice();
        doubles.surfaces.clear();
        doubles.palettes.clear();
    }
}

TEST_F(DisplayDoubles, RestoreWithoutAnOpenDisplayFails)
{
    EXPECT_EQ(restoreSurfaces(), displayFailed);
    EXPECT_TRUE(doubles.calls.empty());
}

// ---- releaseSurface, closeDisplay ----

TEST_F(DisplayDoubles, ReleaseSurfaceGivesTheReferenceBackOnceAndForgetsIt)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.surfaceNames = {"image"};
    ASSERT_EQ(createOffscreenSurface(16, 16, 0, &displayDevice.lpImage1), displayOk);
    FakeSurface* image = doubles.surface("image");
    image->references = 3;  // the release's return value is what is kept
    EXPECT_EQ(releaseSurface(&displayDevice.lpImage1), displayOk);
    EXPECT_EQ(image->releases, 1);
    EXPECT_EQ(displayDevice.lpImage1, nullptr);
    EXPECT_EQ(displayDevice.lastResult, HRESULT(2));
    EXPECT_EQ(releaseSurface(&displayDevice.lpImage1), displayOk);
    EXPECT_EQ(image->releases, 1);
}

TEST_F(DisplayDoubles, FullScreenCloseReleasesEachObjectOnceButNotTheChainsBackBuffer)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.surfaceNames = {"image"};
    ASSERT_EQ(createOffscreenSurface(16, 16, 0, &displayDevice.lpImage1), displayOk);
    doubles.calls.clear();
    EXPECT_EQ(closeDisplay(), displayOk);
    EXPECT_EQ(doubles.calls, (Calls{"image.Release", "primary.Release", "palette.Release", "directDraw.Release"}));
    EXPECT_EQ(doubles.surface("back")->releases, 0);
    EXPECT_EQ(displayDevice.directDraw, nullptr);
    EXPECT_EQ(displayDevice.primarySurface, nullptr);
    EXPECT_EQ(displayDevice.backBuffer, nullptr);
    EXPECT_EQ(displayDevice.displayPalette, nullptr);
    EXPECT_EQ(displayDevice.lpImage1, nullptr);
    EXPECT_EQ(displayDevice.displayFlags, 0u);

    doubles.calls.clear();
    EXPECT_EQ(closeDisplay(), displayOk);
    EXPECT_TRUE(doubles.calls.empty());
    EXPECT_EQ(doubles.surface("back")->releases, 0);
}

TEST_F(DisplayDoubles, WindowedCloseAlsoReleasesTheSeparateBackBuffer)
{
    ASSERT_EQ(open(0), displayOk);
    doubles.calls.clear();
    EXPECT_EQ(closeDisplay(), displayOk);
    EXPECT_EQ(doubles.calls, (Calls{"primary.Release", "back.Release", "palette.Release", "directDraw.Release"}));
    EXPECT_EQ(closeDisplay(), displayOk);
    EXPECT_EQ(doubles.surface("back")->releases, 1);
    EXPECT_EQ(doubles.surface("primary")->releases, 1);
    EXPECT_EQ(doubles.directDraw.releases, 1);
}

TEST_F(DisplayDoubles, CloseAfterAPartialOpeningReleasesWhatWasMade)
{
    doubles.script("CreateSurface", DDERR_OUTOFVIDEOMEMORY);
    ASSERT_EQ(open(displayFullScreen), displayFailed);
    doubles.calls.clear();
    EXPECT_EQ(closeDisplay(), displayOk);
    EXPECT_EQ(doubles.calls, (Calls{"directDraw.Release"}));
}

TEST_F(DisplayDoubles, CloseOfANeverOpenedDisplayDoesNothing)
{
    EXPECT_EQ(closeDisplay(), displayOk);
    EXPECT_TRUE(doubles.calls.empty());
}

// ---- copyFrameToBackBuffer ----

namespace {

std::vector<unsigned char> patternFrame(int width, int height)
{
    std::vector<unsigned char> frame(size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            frame[size_t(y) * width + x] = BYTE(x * 3 + y * 17);
    }
    return frame;
}

}  // namespace

TEST_F(DisplayDoubles, FrameGoesByteForByteIntoAnEightBitBackBuffer)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    FakeSurface* back = doubles.surface("back");
    back->height = 4;
    back->prepareMemory(24, 0xEE);  // a pitch wider than the 20-pixel rows
    const std::vector<unsigned char> frame = patternFrame(20, 4);
    EXPECT_EQ(copyFrameToBackBuffer(frame.data(), 20, 4), displayOk);
    ASSERT_EQ(back->locks.size(), 1u);
    EXPECT_TRUE(back->locks[0].hasRect);
    EXPECT_EQ(back->locks[0].rect.left, 0);
    EXPECT_EQ(back->locks[0].rect.top, 0);
    EXPECT_EQ(back->locks[0].rect.right, 20);
    EXPECT_EQ(back->locks[0].rect.bottom, 4);
    EXPECT_EQ(back->locks[0].descriptionSize, sizeof(DDSURFACEDESC));
    EXPECT_EQ(back->locks[0].flags, DWORD(DDLOCK_WAIT));
    EXPECT_EQ(back->locks[0].event, nullptr);
    ASSERT_EQ(back->unlocks.size(), 1u);
    EXPECT_EQ(back->unlocks[0], back->memory.data());
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 24; ++x) {
            const unsigned char expected = x < 20 ? frame[size_t(y) * 20 + x] : 0xEE;
            EXPECT_EQ(back->memory[size_t(y) * 24 + x], expected) << x << "," << y;
        }
    }
}

TEST_F(DisplayDoubles, FrameIsTakenAsIndicesWhenTheLockDescribesNoFormat)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    FakeSurface* back = doubles.surface("back");
    back->describesFormat = false;
    back->height = 2;
    back->prepareMemory(8, 0);
    const std::vector<unsigned char> frame = patternFrame(8, 2);
    EXPECT_EQ(copyFrameToBackBuffer(frame.data(), 8, 2), displayOk);
    EXPECT_EQ(back->memory, frame);
}

struct ConvertedPixel {
    const char* name;
    DWORD bits;
    DWORD red, green, blue;
    PALETTEENTRY colour;
    std::vector<unsigned char> bytes;  // the pixel as it lies in memory
};

void PrintTo(const ConvertedPixel& pixel, std::ostream* out)
{
    *out << pixel.name;
}

class FrameConversion : public DisplayDoubles, public ::testing::WithParamInterface<ConvertedPixel> {};

TEST_P(FrameConversion, PutsEachIndexThroughThePaletteIntoTheBackBuffersFormat)
{
    const ConvertedPixel& pixel = GetParam();
    doubles.displayBits = pixel.bits;
    ASSERT_EQ(open(0), displayOk);
    FakeSurface* back = doubles.surface("back");
    back->useRgbFormat(pixel.bits, pixel.red, pixel.green, pixel.blue);
    back->height = 2;
    const int bytesPerPixel = int(pixel.bits / 8);
    const LONG pitch = 3 * bytesPerPixel + 5;
    back->prepareMemory(pitch, 0xEE);

    std::vector<PALETTEENTRY> palette(256, entry(0, 0, 0));
    palette[9] = pixel.colour;
    palette[200] = entry(255, 255, 255);
    ASSERT_EQ(setPaletteEntries(palette.data()), displayOk);
    // Index 0 black, 9 the colour under test, 200 white.
    const unsigned char frame[6] = {9, 0, 200, 200, 9, 0};
    EXPECT_EQ(copyFrameToBackBuffer(frame, 3, 2), displayOk);
    ASSERT_EQ(back->unlocks.size(), 1u);

    const DWORD white = pixel.red | pixel.green | pixel.blue;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const unsigned char index = frame[y * 3 + x];
            const unsigned char* at = back->memory.data() + y * pitch + x * bytesPerPixel;
            for (int b = 0; b < bytesPerPixel; ++b) {
                const unsigned expected = index == 9     ? pixel.bytes[size_t(b)]
                                          : index == 200 ? unsigned(BYTE(white >> (8 * b)))
                                                         : 0u;
                EXPECT_EQ(unsigned(at[b]), expected) << "pixel " << x << "," << y << " byte " << b;
            }
        }
        // The padding past the row is left alone.
        for (LONG b = 3 * bytesPerPixel; b < pitch; ++b)
            EXPECT_EQ(back->memory[size_t(y * pitch + b)], 0xEE);
    }
}

INSTANTIATE_TEST_SUITE_P(
    DisplayDoubles, FrameConversion,
    ::testing::Values(
        // 255 -> 31, 128 -> 32 of 63, 64 -> 8: 0xF800 | 0x0400 | 0x0008.
        ConvertedPixel{"rgb565", 16, 0xF800, 0x07E0, 0x001F, entry(255, 128, 64), {0x08, 0xFC}},
        // 255 -> 31, 128 -> 16, 64 -> 8: 0x7C00 | 0x0200 | 0x0008.
        ConvertedPixel{"rgb555", 16, 0x7C00, 0x03E0, 0x001F, entry(255, 128, 64), {0x08, 0x7E}},
        ConvertedPixel{"rgb24", 24, 0xFF0000, 0x00FF00, 0x0000FF, entry(0x12, 0x34, 0x56), {0x56, 0x34, 0x12}},
        ConvertedPixel{"rgb32", 32, 0xFF0000, 0x00FF00, 0x0000FF, entry(0x12, 0x34, 0x56), {0x56, 0x34, 0x12, 0x00}},
        ConvertedPixel{"bgr32", 32, 0x0000FF, 0x00FF00, 0xFF0000, entry(0x12, 0x34, 0x56), {0x12, 0x34, 0x56, 0x00}}),
    [](const ::testing::TestParamInfo<ConvertedPixel>& info) { return std::string(info.param.name); });

TEST_F(DisplayDoubles, FrameConversionFollowsEveryPaletteChange)
{
    doubles.displayBits = 32;
    ASSERT_EQ(open(0), displayOk);
    FakeSurface* back = doubles.surface("back");
    back->height = 1;
    back->prepareMemory(4, 0);
    const unsigned char frame[1] = {5};
    std::vector<PALETTEENTRY> palette(256, entry(0, 0, 0));
    palette[5] = entry(1, 2, 3);
    ASSERT_EQ(setPaletteEntries(palette.data()), displayOk);
    ASSERT_EQ(copyFrameToBackBuffer(frame, 1, 1), displayOk);
    EXPECT_EQ(back->memory, (std::vector<unsigned char>{3, 2, 1, 0}));
    palette[5] = entry(200, 100, 50);
    ASSERT_EQ(setPaletteEntries(palette.data()), displayOk);
    ASSERT_EQ(copyFrameToBackBuffer(frame, 1, 1), displayOk);
    EXPECT_EQ(back->memory, (std::vector<unsigned char>{50, 100, 200, 0}));
}

TEST_F(DisplayDoubles, FrameCopyHandsBackTheLocksOwnFailureCode)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    const std::vector<unsigned char> frame = patternFrame(640, 480);
    for (HRESULT failure : {DDERR_SURFACELOST, DDERR_SURFACEBUSY, DDERR_GENERIC}) {
        doubles.script("back.Lock", failure);
        EXPECT_EQ(copyFrameToBackBuffer(frame.data(), 640, 480), int(failure));
        EXPECT_EQ(displayDevice.lastResult, failure);
    }
    EXPECT_TRUE(doubles.surface("back")->unlocks.empty());
    EXPECT_EQ(doubles.surface("primary")->restores, 0);
}

TEST_F(DisplayDoubles, FrameCopyRefusesAFormatItCannotWriteButStillUnlocks)
{
    ASSERT_EQ(open(0), displayOk);
    FakeSurface* back = doubles.surface("back");
    back->useRgbFormat(8, 0xE0, 0x1C, 0x03);  // 8-bit RGB, not palette indices
    back->height = 1;
    back->prepareMemory(4, 0x11);
    const unsigned char frame[4] = {1, 2, 3, 4};
    EXPECT_EQ(copyFrameToBackBuffer(frame, 4, 1), displayFailed);
    EXPECT_EQ(back->unlocks.size(), 1u);
    EXPECT_EQ(back->memory, (std::vector<unsigned char>(4, 0x11)));
    EXPECT_EQ(displayDevice.lastResult, DDERR_INVALIDPIXELFORMAT);
}

TEST_F(DisplayDoubles, FrameCopyReportsAFailedUnlock)
{
    ASSERT_EQ(open(displayFullScreen), displayOk);
    doubles.script("back.Unlock", DDERR_NOTLOCKED);
    const std::vector<unsigned char> frame = patternFrame(640, 480);
    EXPECT_EQ(copyFrameToBackBuffer(frame.data(), 640, 480), displayFailed);
    EXPECT_EQ(displayDevice.lastResult, DDERR_NOTLOCKED);
}

TEST_F(DisplayDoubles, FrameCopyWithoutABackBufferOrFrameFailsWithoutALock)
{
    const std::vector<unsigned char> frame = patternFrame(640, 480);
    EXPECT_EQ(copyFrameToBackBuffer(frame.data(), 640, 480), displayFailed);
    ASSERT_EQ(open(displayFullScreen), displayOk);
    EXPECT_EQ(copyFrameToBackBuffer(nullptr, 640, 480), displayFailed);
    EXPECT_EQ(copyFrameToBackBuffer(frame.data(), 0, 480), displayFailed);
    EXPECT_EQ(copyFrameToBackBuffer(frame.data(), 640, -1), displayFailed);
    EXPECT_TRUE(doubles.surface("back")->locks.empty());
}
