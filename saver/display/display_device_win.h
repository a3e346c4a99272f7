// The display device: the one layer that talks to DirectDraw. Operations
// return 0 for success and 3 for failure and keep DirectDraw's code in
// displayDevice.lastResult.
#pragma once

#include <windows.h>
#include <ddraw.h>

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
int restoreSurfaces();
int closeDisplay();
