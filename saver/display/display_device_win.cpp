// Stand-in display device: opens nothing and presents nothing, so that the
// shell can run its whole start-up and loop.
#include "display/display_device_win.h"

DisplayDevice displayDevice = {nullptr, nullptr, nullptr, nullptr, nullptr, 0, DD_OK, {0, 0, 640, 480}};

int openDisplay(HWND, WORD, WORD, WORD, DWORD flags)
{
    displayDevice.displayFlags = flags;
    return displayOk;
}

int clearSurface(LPDIRECTDRAWSURFACE, DWORD) { return displayOk; }
int createOffscreenSurface(WORD, WORD, DWORD, LPDIRECTDRAWSURFACE*) { return displayOk; }
int setColourKey(LPDIRECTDRAWSURFACE, DWORD, DWORD, DWORD) { return displayOk; }
int setPaletteEntries(const PALETTEENTRY*) { return displayOk; }
int presentFrame() { return displayOk; }
int releaseSurface(LPDIRECTDRAWSURFACE*) { return displayOk; }
int restoreSurfaces() { return displayOk; }
int closeDisplay() { return displayOk; }
