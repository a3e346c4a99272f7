// SPDX-License-Identifier: GPL-3.0-or-later
// Test doubles of DirectDraw's first-version interfaces. Each object records
// the calls it receives, in one shared log and in its own fields, and answers
// with results scripted per call name ("DirectDrawCreate", "CreateSurface",
// "primary.Blt", ...; DD_OK when nothing is scripted). The display device is
// pointed at them through its directDrawCreate hook.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "display/display_device_win.h"

struct FakePalette : IDirectDrawPalette {
    std::string name;
    ULONG references = 1;
    int releases = 0;
    DWORD createdWithCaps = 0;
    PALETTEENTRY createdWith[256] = {};
    struct SetEntriesCall {
        DWORD flags;
        DWORD first;
        DWORD count;
        std::vector<PALETTEENTRY> entries;
    };
    std::vector<SetEntriesCall> setEntries;

    HRESULT WINAPI QueryInterface(REFIID, void** object) override;
    ULONG WINAPI AddRef() override;
    ULONG WINAPI Release() override;
    HRESULT WINAPI GetCaps(LPDWORD caps) override;
    HRESULT WINAPI GetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) override;
    HRESULT WINAPI Initialize(LPDIRECTDRAW, DWORD, LPPALETTEENTRY) override;
    HRESULT WINAPI SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) override;
};

struct FakeSurface : IDirectDrawSurface {
    std::string name;
    ULONG references = 1;
    int releases = 0;
    DDSURFACEDESC createdWith = {};
    // What Lock hands out: memory of height rows of pitch bytes, and the format.
    DWORD width = 640;
    DWORD height = 480;
    LONG pitch = 640;
    DDPIXELFORMAT format = {};
    bool describesFormat = true;
    std::vector<unsigned char> memory;
    FakeSurface* attached = nullptr;

    struct BltCall {
        bool hasTarget;
        RECT target;
        IDirectDrawSurface* source;
        bool hasSourceRect;
        RECT sourceRect;
        DWORD flags;
        bool hasEffects;
        DDBLTFX effects;
    };
    std::vector<BltCall> blts;
    struct FlipCall {
        IDirectDrawSurface* target;
        DWORD flags;
    };
    std::vector<FlipCall> flips;
    std::vector<DDSCAPS> attachedQueries;
    struct LockCall {
        bool hasRect;
        RECT rect;
        DWORD descriptionSize;
        DWORD flags;
        HANDLE event;
    };
    std::vector<LockCall> locks;
    std::vector<void*> unlocks;
    struct ColourKeyCall {
        DWORD flags;
        DDCOLORKEY key;
    };
    std::vector<ColourKeyCall> colourKeys;
    std::vector<IDirectDrawPalette*> palettes;
    int restores = 0;

    // 8-bit palette indices.
    void useIndexedFormat();
    void useRgbFormat(DWORD bits, DWORD red, DWORD green, DWORD blue);
    // Memory for Lock: rows of `rowPitch` bytes, filled with `fill`.
    void prepareMemory(LONG rowPitch, unsigned char fill);

    HRESULT WINAPI QueryInterface(REFIID, void** object) override;
    ULONG WINAPI AddRef() override;
    ULONG WINAPI Release() override;
    HRESULT WINAPI AddAttachedSurface(LPDIRECTDRAWSURFACE) override;
    HRESULT WINAPI AddOverlayDirtyRect(LPRECT) override;
    HRESULT WINAPI Blt(LPRECT target, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                       LPDDBLTFX effects) override;
    HRESULT WINAPI BltBatch(LPDDBLTBATCH, DWORD, DWORD) override;
    HRESULT WINAPI BltFast(DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT, DWORD) override;
    HRESULT WINAPI DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE) override;
    HRESULT WINAPI EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK) override;
    HRESULT WINAPI EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK) override;
    HRESULT WINAPI Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
    HRESULT WINAPI GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface) override;
    HRESULT WINAPI GetBltStatus(DWORD) override;
    HRESULT WINAPI GetCaps(LPDDSCAPS) override;
    HRESULT WINAPI GetClipper(LPDIRECTDRAWCLIPPER*) override;
    HRESULT WINAPI GetColorKey(DWORD, LPDDCOLORKEY) override;
    HRESULT WINAPI GetDC(HDC*) override;
    HRESULT WINAPI GetFlipStatus(DWORD) override;
    HRESULT WINAPI GetOverlayPosition(LPLONG, LPLONG) override;
    HRESULT WINAPI GetPalette(LPDIRECTDRAWPALETTE*) override;
    HRESULT WINAPI GetPixelFormat(LPDDPIXELFORMAT) override;
    HRESULT WINAPI GetSurfaceDesc(LPDDSURFACEDESC description) override;
    HRESULT WINAPI Initialize(LPDIRECTDRAW, LPDDSURFACEDESC) override;
    HRESULT WINAPI IsLost() override;
    HRESULT WINAPI Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags, HANDLE event) override;
    HRESULT WINAPI ReleaseDC(HDC) override;
    HRESULT WINAPI Restore() override;
    HRESULT WINAPI SetClipper(LPDIRECTDRAWCLIPPER) override;
    HRESULT WINAPI SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT WINAPI SetOverlayPosition(LONG, LONG) override;
    HRESULT WINAPI SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT WINAPI Unlock(LPVOID memory) override;
    HRESULT WINAPI UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDOVERLAYFX) override;
    HRESULT WINAPI UpdateOverlayDisplay(DWORD) override;
    HRESULT WINAPI UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE) override;
};

struct FakeDirectDraw : IDirectDraw {
    std::string name = "directDraw";
    ULONG references = 1;
    int releases = 0;
    HWND cooperativeWindow = nullptr;
    DWORD cooperativeLevel = 0;
    DWORD modeWidth = 0, modeHeight = 0, modeDepth = 0;
    std::vector<DDSURFACEDESC> surfaceRequests;

    HRESULT WINAPI QueryInterface(REFIID, void** object) override;
    ULONG WINAPI AddRef() override;
    ULONG WINAPI Release() override;
    HRESULT WINAPI Compact() override;
    HRESULT WINAPI CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) override;
    HRESULT WINAPI CreatePalette(DWORD caps, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                 IUnknown* outer) override;
    HRESULT WINAPI CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* surface, IUnknown* outer) override;
    HRESULT WINAPI DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) override;
    HRESULT WINAPI EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK) override;
    HRESULT WINAPI EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK) override;
    HRESULT WINAPI FlipToGDISurface() override;
    HRESULT WINAPI GetCaps(LPDDCAPS, LPDDCAPS) override;
    HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC) override;
    HRESULT WINAPI GetFourCCCodes(LPDWORD, LPDWORD) override;
    HRESULT WINAPI GetGDISurface(LPDIRECTDRAWSURFACE*) override;
    HRESULT WINAPI GetMonitorFrequency(LPDWORD) override;
    HRESULT WINAPI GetScanLine(LPDWORD) override;
    HRESULT WINAPI GetVerticalBlankStatus(WINBOOL*) override;
    HRESULT WINAPI Initialize(GUID*) override;
    HRESULT WINAPI RestoreDisplayMode() override;
    HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD level) override;
    HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD depth) override;
    HRESULT WINAPI WaitForVerticalBlank(DWORD, HANDLE) override;
};

// Everything the doubles have seen and will answer, for one test.
struct DirectDrawWorld {
    std::vector<std::string> calls;
    std::map<std::string, std::deque<HRESULT>> scripted;
    // Names given to surfaces in the order CreateSurface makes them; then "surfaceN".
    std::deque<std::string> surfaceNames;
    // The pixel format of surfaces that ask for none (the display's).
    DWORD displayBits = 8;
    DWORD screenWidth = 640;
    DWORD screenHeight = 480;
    GUID* createdWithDriver = reinterpret_cast<GUID*>(-1);
    IUnknown* createdWithOuter = reinterpret_cast<IUnknown*>(-1);
    FakeDirectDraw directDraw;
    std::vector<std::unique_ptr<FakeSurface>> surfaces;
    std::vector<std::unique_ptr<FakePalette>> palettes;

    // Answers the next `count` calls named `call` with `result`, after those already scripted.
    void script(const std::string& call, HRESULT result, int count = 1);
    HRESULT answer(const std::string& call);
    void record(const std::string& call);
    FakeSurface* surface(const std::string& name);
    FakeSurface* makeSurface(const std::string& name);
    int count(const std::string& call) const;
};

extern DirectDrawWorld* world;

HRESULT WINAPI fakeDirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer);

// The display device in its closed state, without touching any object.
void forgetDisplayDevice();

// Gives each test a fresh world and points the display device at it.
class DisplayDoubles : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // openDisplay on the doubles; surfaces are named primary, back (and image).
    int open(DWORD flags);
    DirectDrawWorld doubles;
    HWND window = reinterpret_cast<HWND>(0x1234);
};
