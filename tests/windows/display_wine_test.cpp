// SPDX-License-Identifier: GPL-3.0-or-later
// The display device on Wine's own DirectDraw, on the 640 x 480 virtual screen
// that the Windows tests run on: the mode change, the flip chain, the palette
// and the windowed test mode's blit, as far as a program can observe them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/display_device_win.h"
#include "display_doubles.h"
#include "shell/saver_window_win.h"

namespace {

struct ScreenMode {
    DWORD width;
    DWORD height;
    DWORD bits;
};

ScreenMode currentScreenMode()
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    return ScreenMode{mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel};
}

void pumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

COLORREF screenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

template <typename Draw>
bool presentUntilScreenShows(int x, int y, COLORREF expected, Draw draw)
{
    for (int i = 0; i < 100; ++i) {
        if (draw() != displayOk || presentFrame() != displayOk)
            return false;
        pumpMessages();
        if (screenPixel(x, y) == expected)
            return true;
        Sleep(50);
    }
    return false;
}

std::vector<unsigned char> uniformFrame(unsigned char index)
{
    return std::vector<unsigned char>(640 * 480, index);
}

// The byte or pixel value at (x, y) of a surface, read under a lock.
DWORD surfacePixel(LPDIRECTDRAWSURFACE surface, int x, int y)
{
    RECT all = {0, 0, 640, 480};
    DDSURFACEDESC locked = {};
    locked.dwSize = sizeof locked;
    if (surface->Lock(&all, &locked, DDLOCK_WAIT, nullptr) != DD_OK)
        return 0xDEADBEEF;
    const DWORD bytes = locked.ddpfPixelFormat.dwRGBBitCount / 8;
    const unsigned char* at = static_cast<unsigned char*>(locked.lpSurface) + y * locked.lPitch + x * bytes;
    DWORD value = 0;
    std::memcpy(&value, at, bytes);
    surface->Unlock(locked.lpSurface);
    return value;
}

class WineDisplay : public ::testing::Test {
protected:
    // Wine takes two seconds to destroy a top-level window on a screen
    // without a window manager, so each style's window serves every test.
    static void TearDownTestSuite()
    {
        for (HWND* window : {&fullScreenWindow, &captionedWindow}) {
            if (*window)
                DestroyWindow(*window);
            *window = nullptr;
        }
        SaverWindow = nullptr;
        pumpMessages();
        windowActivated = 0;
        mouseRule.armed = 0;
    }

    void SetUp() override
    {
        forgetDisplayDevice();
        directDrawCreate = DirectDrawCreate;
        if (GetSystemMetrics(SM_CXSCREEN) != 640 || GetSystemMetrics(SM_CYSCREEN) != 480)
            GTEST_SKIP() << "needs the 640 x 480 virtual screen";
        desktop = currentScreenMode();
    }

    void TearDown() override
    {
        closeDisplay();
        pumpMessages();
        forgetDisplayDevice();
    }

    int open(int fullScreen, DWORD extraFlags = 0)
    {
        HWND& window = fullScreen ? fullScreenWindow : captionedWindow;
        if (!window) {
            if (!createSaverWindow(GetModuleHandleA(nullptr), fullScreen))
                return -1;
            window = SaverWindow;
        } else if (!fullScreen) {
            // createSaverWindow widened presentRect for this window.
            displayDevice.presentRect = RECT{0, 0, 640, 480};
            AdjustWindowRectEx(&displayDevice.presentRect, GetWindowLongA(window, GWL_STYLE), FALSE, 0);
        }
        SaverWindow = window;
        pumpMessages();
        return openDisplay(window, 640, 480, 8, (fullScreen ? displayFullScreen : 0) | extraFlags);
    }

    static HWND fullScreenWindow;
    static HWND captionedWindow;
    ScreenMode desktop = {};
};

HWND WineDisplay::fullScreenWindow = nullptr;
HWND WineDisplay::captionedWindow = nullptr;

}  // namespace

TEST_F(WineDisplay, FullScreenSetsTheEightBitModeAndReleasingGivesItBack)
{
    ASSERT_NE(desktop.bits, 8u);
    ASSERT_EQ(open(1), displayOk);
    EXPECT_EQ(displayDevice.lastResult, DD_OK);
    const ScreenMode during = currentScreenMode();
    EXPECT_EQ(during.width, 640u);
    EXPECT_EQ(during.height, 480u);
    EXPECT_EQ(during.bits, 8u);

    EXPECT_EQ(closeDisplay(), displayOk);
    EXPECT_EQ(currentScreenMode().bits, desktop.bits);
}

TEST_F(WineDisplay, FullScreenChainHasAnEightBitBackBuffer)
{
    ASSERT_EQ(open(1), displayOk);
    DDSURFACEDESC back = {};
    back.dwSize = sizeof back;
    ASSERT_EQ(displayDevice.backBuffer->GetSurfaceDesc(&back), DD_OK);
    EXPECT_TRUE(back.ddsCaps.dwCaps & DDSCAPS_BACKBUFFER);
    EXPECT_TRUE(back.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8);
    EXPECT_EQ(back.dwWidth, 640u);
    EXPECT_EQ(back.dwHeight, 480u);
    DDSURFACEDESC front = {};
    front.dwSize = sizeof front;
    ASSERT_EQ(displayDevice.primarySurface->GetSurfaceDesc(&front), DD_OK);
    EXPECT_TRUE(front.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE);
    EXPECT_TRUE(front.ddsCaps.dwCaps & DDSCAPS_FLIP);
    LPDIRECTDRAWPALETTE attached = nullptr;
    ASSERT_EQ(displayDevice.primarySurface->GetPalette(&attached), DD_OK);
    EXPECT_EQ(attached, displayDevice.displayPalette);
    attached->Release();
}

TEST_F(WineDisplay, FlipShowsTheFrameAndTheNextFrameGoesToTheHiddenSurface)
{
    ASSERT_EQ(open(1), displayOk);
    const std::vector<unsigned char> first = uniformFrame(7);
    const std::vector<unsigned char> second = uniformFrame(9);

    ASSERT_EQ(copyFrameToBackBuffer(first.data(), 640, 480), displayOk);
    ASSERT_EQ(presentFrame(), displayOk);
    EXPECT_EQ(surfacePixel(displayDevice.primarySurface, 100, 100), 7u);

    ASSERT_EQ(copyFrameToBackBuffer(second.data(), 640, 480), displayOk);
    EXPECT_EQ(surfacePixel(displayDevice.primarySurface, 100, 100), 7u);  // not shown before the flip
    ASSERT_EQ(presentFrame(), displayOk);
    EXPECT_EQ(surfacePixel(displayDevice.primarySurface, 639, 479), 9u);
    // The surface now behind the screen is the one that showed the first frame.
    EXPECT_EQ(surfacePixel(displayDevice.backBuffer, 639, 479), 7u);
}

TEST_F(WineDisplay, InitialPaletteShowsTheSystemColoursAndIndexZeroIsBlack)
{
    ASSERT_EQ(open(1), displayOk);
    PALETTEENTRY entries[256] = {};
    ASSERT_EQ(displayDevice.displayPalette->GetEntries(0, 0, 256, entries), DD_OK);
    EXPECT_EQ(entries[255].peRed, 255);
    EXPECT_EQ(entries[255].peGreen, 255);
    EXPECT_EQ(entries[255].peBlue, 255);
    EXPECT_EQ(entries[1].peRed, 128);
    EXPECT_EQ(entries[128].peRed | entries[128].peGreen | entries[128].peBlue, 0);

    const std::vector<unsigned char> white = uniformFrame(255);
    EXPECT_TRUE(presentUntilScreenShows(320, 240, RGB(255, 255, 255),
                                        [&] { return copyFrameToBackBuffer(white.data(), 640, 480); }));
    EXPECT_TRUE(presentUntilScreenShows(320, 240, RGB(0, 0, 0),
                                        [] { return clearSurface(displayDevice.backBuffer, 0); }));
}

TEST_F(WineDisplay, LoadedPaletteColoursReachTheScreen)
{
    ASSERT_EQ(open(1), displayOk);
    std::vector<PALETTEENTRY> palette(256, PALETTEENTRY{0, 0, 0, 0});
    palette[200] = PALETTEENTRY{200, 55, 40, 0};
    palette[201] = PALETTEENTRY{10, 180, 250, 0};
    ASSERT_EQ(setPaletteEntries(palette.data()), displayOk);
    PALETTEENTRY loaded[256] = {};
    ASSERT_EQ(displayDevice.displayPalette->GetEntries(0, 0, 256, loaded), DD_OK);
    EXPECT_EQ(loaded[201].peBlue, 250);

    const std::vector<unsigned char> frame = uniformFrame(200);
    auto draw = [&] { return copyFrameToBackBuffer(frame.data(), 640, 480); };
    EXPECT_TRUE(presentUntilScreenShows(10, 10, RGB(200, 55, 40), draw));

    // The same frame in a new palette.
    palette[200] = PALETTEENTRY{10, 180, 250, 0};
    ASSERT_EQ(setPaletteEntries(palette.data()), displayOk);
    EXPECT_TRUE(presentUntilScreenShows(10, 10, RGB(10, 180, 250), draw));
}

TEST_F(WineDisplay, RestoringKeepsTheDisplayUsableAndThePaletteLoaded)
{
    ASSERT_EQ(open(1), displayOk);
    std::vector<PALETTEENTRY> palette(256, PALETTEENTRY{1, 2, 3, 0});
    ASSERT_EQ(setPaletteEntries(palette.data()), displayOk);
    EXPECT_EQ(restoreSurfaces(), displayOk);
    PALETTEENTRY loaded[256] = {};
    ASSERT_EQ(displayDevice.displayPalette->GetEntries(0, 0, 256, loaded), DD_OK);
    EXPECT_EQ(loaded[77].peBlue, 3);
    EXPECT_EQ(clearSurface(displayDevice.backBuffer, 5), displayOk);
    EXPECT_EQ(presentFrame(), displayOk);
}

TEST_F(WineDisplay, PictureSurfaceIsMadeKeyedAndReleased)
{
    ASSERT_EQ(open(1), displayOk);
    ASSERT_EQ(createOffscreenSurface(300, 200, 1, &displayDevice.lpImage1), displayOk);
    DDSURFACEDESC picture = {};
    picture.dwSize = sizeof picture;
    ASSERT_EQ(displayDevice.lpImage1->GetSurfaceDesc(&picture), DD_OK);
    EXPECT_EQ(picture.dwWidth, 300u);
    EXPECT_EQ(picture.dwHeight, 200u);
    EXPECT_TRUE(picture.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8);
    EXPECT_EQ(setColourKey(displayDevice.lpImage1, 8, 17, 0), displayOk);
    DDCOLORKEY key = {};
    ASSERT_EQ(displayDevice.lpImage1->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 17u);
    EXPECT_EQ(closeDisplay(), displayOk);
    EXPECT_EQ(displayDevice.lpImage1, nullptr);
}

TEST_F(WineDisplay, EmulationOnlyFullScreenOpens)
{
    ASSERT_EQ(open(1, displayEmulationOnly), displayOk);
    EXPECT_EQ(currentScreenMode().bits, 8u);
    EXPECT_EQ(presentFrame(), displayOk);
}

TEST_F(WineDisplay, WindowedModeKeepsTheDesktopAndShowsConvertedColours)
{
    ASSERT_NE(desktop.bits, 8u);
    ASSERT_EQ(open(0), displayOk);
    EXPECT_EQ(currentScreenMode().bits, desktop.bits);
    DDSURFACEDESC back = {};
    back.dwSize = sizeof back;
    ASSERT_EQ(displayDevice.backBuffer->GetSurfaceDesc(&back), DD_OK);
    EXPECT_FALSE(back.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8);
    EXPECT_EQ(back.dwWidth, 640u);
    EXPECT_EQ(back.dwHeight, 480u);
    ASSERT_EQ(back.ddpfPixelFormat.dwRBitMask, 0xFF0000u);

    std::vector<PALETTEENTRY> palette(256, PALETTEENTRY{0, 0, 0, 0});
    palette[77] = PALETTEENTRY{10, 20, 30, 0};
    ASSERT_EQ(setPaletteEntries(palette.data()), displayOk);
    const std::vector<unsigned char> frame = uniformFrame(77);
    ASSERT_EQ(copyFrameToBackBuffer(frame.data(), 640, 480), displayOk);
    EXPECT_EQ(surfacePixel(displayDevice.backBuffer, 5, 5) & 0xFFFFFF, 0x0A141Eu);

    // presentRect reaches off the screen; the part on it is shown.
    ASSERT_LT(displayDevice.presentRect.left, 0);
    EXPECT_EQ(presentFrame(), displayOk);
    EXPECT_EQ(surfacePixel(displayDevice.primarySurface, 320, 240) & 0xFFFFFF, 0x0A141Eu);
    EXPECT_EQ(surfacePixel(displayDevice.primarySurface, 0, 0) & 0xFFFFFF, 0x0A141Eu);
    EXPECT_EQ(surfacePixel(displayDevice.primarySurface, 639, 479) & 0xFFFFFF, 0x0A141Eu);
}
