// SPDX-License-Identifier: MIT
// The display device: the one layer that talks to DirectDraw. Operations
// return 0 for success and 3 for failure and keep DirectDraw's code in
// displayDevice.lastResult.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include "effect/screen.h"

struct DisplayDevice {
    LPDIRECTDRAW directDraw;
    LPDIRECTDRAWSURFACE primarySurface;
    LPDIRECTDRAWSURFACE backBuffer;
    LPDIRECTDRAWPALETTE displayPalette;
    LPDIRECTDRAWSURFACE lpImage1;
    DWORD displayFlags;
    HRESULT lastResult;
    RECT presentRect;
};

extern DisplayDevice displayDevice;

// displayFlags: full-screen exclusive mode with a flip chain.
constexpr DWORD displayFullScreen = 1;
// displayFlags: DirectDraw created emulation-only.
constexpr DWORD displayEmulationOnly = 2;
// createOffscreenSurface flags: system memory at once.
constexpr DWORD surfaceInSystemMemory = 2;

constexpr int displayOk = 0;
constexpr int displayFailed = 3;

int openDisplay(HWND window, WORD width, WORD height, WORD depth, DWORD flags);
int clearSurface(LPDIRECTDRAWSURFACE surface, DWORD colour);
int createOffscreenSurface(WORD width, WORD height, DWORD flags, LPDIRECTDRAWSURFACE* target);
int setColourKey(LPDIRECTDRAWSURFACE surface, DWORD kind, DWORD low, DWORD high);
int setPaletteEntries(const PALETTEENTRY* entries);
int presentFrame();
int releaseSurface(LPDIRECTDRAWSURFACE* target);
// Restores the primary surface (and, in the windowed test mode, the separate
// back buffer) and reloads the palette that displayPalette last received.
// Returns 0, or 3 when a surface or the palette could not be restored.
int restoreSurfaces();
int closeDisplay();

// Puts one frame of palette indices (pitch `width`) into backBuffer over
// {0, 0, width, height}: bytes as they are on an 8-bit back buffer, otherwise
// each index converted through the current palette into the back buffer's
// pixel format (16, 24 or 32 bits per pixel). Returns 0; the lock's own code
// when the lock fails, so that a caller can tell DDERR_SURFACELOST from other
// failures; or 3 for anything else (no back buffer, a pixel format it cannot
// write, a failed unlock).
int copyFrameToBackBuffer(const unsigned char* frame, int width, int height);

// The palette that displayPalette holds: the initial one of openDisplay, then
// whatever setPaletteEntries last received.
extern PALETTEENTRY currentPalette[256];

// DirectDrawCreate, or a stand-in that a test puts here before openDisplay.
using DirectDrawCreateFunction = HRESULT(WINAPI*)(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer);
extern DirectDrawCreateFunction directDrawCreate;
