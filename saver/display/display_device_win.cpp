// SPDX-License-Identifier: MIT
// The display device over DirectDraw's first-version interfaces. Every
// DirectDraw call whose result decides an operation leaves that result in
// displayDevice.lastResult before it is tested.
#include "display/display_device_win.h"

#include <string.h>

DisplayDevice displayDevice = {nullptr, nullptr, nullptr, nullptr, nullptr, 0, DD_OK, {0, 0, screenWidth, screenHeight}};
PALETTEENTRY currentPalette[256];
DirectDrawCreateFunction directDrawCreate = DirectDrawCreate;

namespace {

const DWORD fullScreenLevel = DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE;
const DWORD colourFillFlags = DDBLT_COLORFILL | DDBLT_WAIT;
const DWORD paletteCaps = DDPCAPS_8BIT | DDPCAPS_ALLOW256;
// The system palette's static colours that the initial palette keeps: ten at
// each end, so that a clear with index 0 shows the system's black.
const UINT staticColourCount = 10;
const UINT upperStaticColours = 246;

// Size of the windowed test mode's separate back buffer.
WORD backBufferWidth;
WORD backBufferHeight;

// Records a DirectDraw result; true when it is a failure.
bool failed(HRESULT result)
{
    displayDevice.lastResult = result;
    return result != DD_OK;
}

bool fullScreen()
{
    return (displayDevice.displayFlags & displayFullScreen) != 0;
}

void zeroBytes(void* target, unsigned size)
{
    memset(target, 0, size);
}

void copyPalette(PALETTEENTRY* target, const PALETTEENTRY* source)
{
    for (int i = 0; i < 256; ++i)
        target[i] = source[i];
}

template <typename Interface>
void releaseObject(Interface*& object)
{
    if (object) {
        object->Release();
        object = nullptr;
    }
}

// The value of one 8-bit colour component in the place and width that `mask`
// gives it in a pixel.
DWORD placeComponent(BYTE value, DWORD mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    int width = 0;
    while (shift + width < 32 && ((mask >> (shift + width)) & 1))
        ++width;
    const DWORD scaled = width >= 8 ? DWORD(value) << (width - 8) : DWORD(value) >> (8 - width);
    return (scaled << shift) & mask;
}

// Writes the frame into locked surface memory. Returns 0, or 3 for a pixel
// format that is neither 8-bit indices nor 16, 24 or 32-bit RGB.
int writeFrame(const DDSURFACEDESC& locked, const unsigned char* frame, int width, int height)
{
    const DDPIXELFORMAT& format = locked.ddpfPixelFormat;
    const bool described = (locked.dwFlags & DDSD_PIXELFORMAT) != 0;
    unsigned char* row = static_cast<unsigned char*>(locked.lpSurface);
    const LONG pitch = locked.lPitch;

    if (!described || (format.dwFlags & DDPF_PALETTEINDEXED8)) {
        for (int y = 0; y < height; ++y, row += pitch, frame += width)
            memcpy(row, frame, size_t(width));
        return displayOk;
    }

    const DWORD bits = format.dwRGBBitCount;
    if (!(format.dwFlags & DDPF_RGB) || (bits != 16 && bits != 24 && bits != 32))
        return displayFailed;
    DWORD pixelOf[256];
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& colour = currentPalette[i];
        pixelOf[i] = placeComponent(colour.peRed, format.dwRBitMask) |
                     placeComponent(colour.peGreen, format.dwGBitMask) |
                     placeComponent(colour.peBlue, format.dwBBitMask);
    }
    const int bytesPerPixel = int(bits / 8);
    for (int y = 0; y < height; ++y, row += pitch, frame += width) {
        unsigned char* pixel = row;
        for (int x = 0; x < width; ++x, pixel += bytesPerPixel) {
            const DWORD value = pixelOf[frame[x]];
            pixel[0] = BYTE(value);
            pixel[1] = BYTE(value >> 8);
            if (bytesPerPixel > 2)
                pixel[2] = BYTE(value >> 16);
            if (bytesPerPixel > 3)
                pixel[3] = BYTE(value >> 24);
        }
    }
    return displayOk;
}

// presentRect is the frame of a 640 x 480 client area around the client
// origin, so it reaches off the screen, and a blit without a clipper may not
// leave its surface. Cuts `target` down to the primary surface and sets
// `source` to the matching part of the back buffer, keeping the scale; false
// when `target` lies on the screen already (or wholly off it) and is left alone.
bool clipToScreen(RECT& target, RECT& source)
{
    DDSURFACEDESC screen;
    zeroBytes(&screen, sizeof screen);
    screen.dwSize = sizeof screen;
    if (displayDevice.primarySurface->GetSurfaceDesc(&screen) != DD_OK)
        return false;
    const LONG screenWidth = LONG(screen.dwWidth);
    const LONG screenHeight = LONG(screen.dwHeight);
    const LONG targetWidth = target.right - target.left;
    const LONG targetHeight = target.bottom - target.top;
    if (target.left >= 0 && target.top >= 0 && target.right <= screenWidth && target.bottom <= screenHeight)
        return false;
    if (targetWidth <= 0 || targetHeight <= 0 || target.right <= 0 || target.bottom <= 0 ||
        target.left >= screenWidth || target.top >= screenHeight)
        return false;
    const LONG cutLeft = target.left < 0 ? -target.left : 0;
    const LONG cutTop = target.top < 0 ? -target.top : 0;
    const LONG cutRight = target.right > screenWidth ? target.right - screenWidth : 0;
    const LONG cutBottom = target.bottom > screenHeight ? target.bottom - screenHeight : 0;
    const LONG width = LONG(backBufferWidth);
    const LONG height = LONG(backBufferHeight);
    source.left = LONG(LONGLONG(cutLeft) * width / targetWidth);
    source.top = LONG(LONGLONG(cutTop) * height / targetHeight);
    source.right = width - LONG(LONGLONG(cutRight) * width / targetWidth);
    source.bottom = height - LONG(LONGLONG(cutBottom) * height / targetHeight);
    target.left += cutLeft;
    target.top += cutTop;
    target.right -= cutRight;
    target.bottom -= cutBottom;
    return true;
}

}  // namespace

int openDisplay(HWND window, WORD width, WORD height, WORD depth, DWORD flags)
{
    DisplayDevice& device = displayDevice;
    GUID* driver = (flags & displayEmulationOnly) ? reinterpret_cast<GUID*>(DDCREATE_EMULATIONONLY) : nullptr;
    if (failed(directDrawCreate(driver, &device.directDraw, nullptr)))
        return displayFailed;
    const bool wholeScreen = (flags & displayFullScreen) != 0;
    if (failed(device.directDraw->SetCooperativeLevel(window, wholeScreen ? fullScreenLevel : DDSCL_NORMAL)))
        return displayFailed;
    if (wholeScreen && failed(device.directDraw->SetDisplayMode(width, height, depth)))
        return displayFailed;

    DDSURFACEDESC description;
    zeroBytes(&description, sizeof description);
    description.dwSize = sizeof description;
    if (wholeScreen) {
        description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        description.dwBackBufferCount = 1;
        if (failed(device.directDraw->CreateSurface(&description, &device.primarySurface, nullptr)))
            return displayFailed;
        DDSCAPS backBufferCaps = {DDSCAPS_BACKBUFFER};
        if (failed(device.primarySurface->GetAttachedSurface(&backBufferCaps, &device.backBuffer)))
            return displayFailed;
    } else {
        description.dwFlags = DDSD_CAPS;
        description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        if (failed(device.directDraw->CreateSurface(&description, &device.primarySurface, nullptr)))
            return displayFailed;
        // No pixel format: the buffer takes the desktop's, and
        // copyFrameToBackBuffer converts into it when it is not 8-bit.
        description.dwWidth = width;
        description.dwHeight = height;
        backBufferWidth = width;
        backBufferHeight = height;
        description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        if (failed(device.directDraw->CreateSurface(&description, &device.backBuffer, nullptr)))
            return displayFailed;
    }
    device.displayFlags = flags;

    zeroBytes(currentPalette, sizeof currentPalette);
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, 0, staticColourCount, currentPalette);
    GetSystemPaletteEntries(screen, upperStaticColours, staticColourCount, currentPalette + upperStaticColours);
    ReleaseDC(nullptr, screen);
    if (failed(device.directDraw->CreatePalette(paletteCaps, currentPalette, &device.displayPalette, nullptr)))
        return displayFailed;
    // On a desktop that is not 8-bit deep this fails; the windowed test mode
    // then converts through currentPalette instead.
    device.primarySurface->SetPalette(device.displayPalette);
    return displayOk;
}

int clearSurface(LPDIRECTDRAWSURFACE surface, DWORD colour)
{
    if (!surface) {
        displayDevice.lastResult = DDERR_INVALIDPARAMS;
        return displayFailed;
    }
    DDBLTFX effects;
    zeroBytes(&effects, sizeof effects);
    effects.dwSize = sizeof effects;
    effects.dwFillColor = colour;
    for (;;) {
        const HRESULT result = surface->Blt(nullptr, nullptr, nullptr, colourFillFlags, &effects);
        displayDevice.lastResult = result;
        if (result == DD_OK)
            return displayOk;
        if (result == DDERR_SURFACELOST) {
            // The surface is restored for the next frame; this fill is lost.
            const int restored = restoreSurfaces();
            return restored != displayOk ? restored : displayFailed;
        }
        if (result != DDERR_WASSTILLDRAWING)
            return displayFailed;
    }
}

int createOffscreenSurface(WORD width, WORD height, DWORD flags, LPDIRECTDRAWSURFACE* target)
{
    DisplayDevice& device = displayDevice;
    if (!device.directDraw || !target) {
        device.lastResult = DDERR_INVALIDPARAMS;
        return displayFailed;
    }
    DDSURFACEDESC description;
    zeroBytes(&description, sizeof description);
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    description.dwWidth = width;
    description.dwHeight = height;
    const bool systemMemoryAtOnce = (flags & surfaceInSystemMemory) != 0;
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (systemMemoryAtOnce ? DDSCAPS_SYSTEMMEMORY : 0);
    HRESULT result = device.directDraw->CreateSurface(&description, target, nullptr);
    device.lastResult = result;
    if ((result == E_OUTOFMEMORY || result == DDERR_OUTOFVIDEOMEMORY) && !systemMemoryAtOnce) {
        description.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
        result = device.directDraw->CreateSurface(&description, target, nullptr);
        device.lastResult = result;
    }
    return result == DD_OK ? displayOk : displayFailed;
}

int setColourKey(LPDIRECTDRAWSURFACE surface, DWORD, DWORD low, DWORD high)
{
    if (!surface) {
        displayDevice.lastResult = DDERR_INVALIDPARAMS;
        return displayFailed;
    }
    DDCOLORKEY key = {low, high};
    return failed(surface->SetColorKey(DDCKEY_SRCBLT, &key)) ? displayFailed : displayOk;
}

int setPaletteEntries(const PALETTEENTRY* entries)
{
    if (!entries || !displayDevice.displayPalette) {
        displayDevice.lastResult = DDERR_INVALIDPARAMS;
        return displayFailed;
    }
    copyPalette(currentPalette, entries);
    return failed(displayDevice.displayPalette->SetEntries(0, 0, 256, currentPalette)) ? displayFailed
                                                                                       : displayOk;
}

int presentFrame()
{
    DisplayDevice& device = displayDevice;
    if (!device.primarySurface) {
        device.lastResult = DDERR_INVALIDPARAMS;
        return displayFailed;
    }
    if (fullScreen())
        return failed(device.primarySurface->Flip(nullptr, DDFLIP_WAIT)) ? displayFailed : displayOk;
    RECT target = device.presentRect;
    RECT source;
    RECT* part = clipToScreen(target, source) ? &source : nullptr;
    return failed(device.primarySurface->Blt(&target, device.backBuffer, part, DDBLT_WAIT, nullptr))
               ? displayFailed
               : displayOk;
}

int releaseSurface(LPDIRECTDRAWSURFACE* target)
{
    if (target && *target) {
        displayDevice.lastResult = HRESULT((*target)->Release());
        *target = nullptr;
    }
    return displayOk;
}

int restoreSurfaces()
{
    // A failure is recorded; success leaves lastResult as the caller saw it.
    DisplayDevice& device = displayDevice;
    if (!device.primarySurface) {
        device.lastResult = DDERR_INVALIDPARAMS;
        return displayFailed;
    }
    HRESULT result = device.primarySurface->Restore();
    if (result == DD_OK && !fullScreen() && device.backBuffer)
        result = device.backBuffer->Restore();
    if (result == DD_OK && device.displayPalette)
        result = device.displayPalette->SetEntries(0, 0, 256, currentPalette);
    if (result != DD_OK) {
        device.lastResult = result;
        return displayFailed;
    }
    return displayOk;
}

int closeDisplay()
{
    DisplayDevice& device = displayDevice;
    releaseSurface(&device.lpImage1);
    releaseObject(device.primarySurface);
    // The full-screen back buffer belongs to the flip chain and went with it.
    if (fullScreen())
        device.backBuffer = nullptr;
    releaseObject(device.backBuffer);
    releaseObject(device.displayPalette);
    releaseObject(device.directDraw);
    device.displayFlags = 0;
    return displayOk;
}

int copyFrameToBackBuffer(const unsigned char* frame, int width, int height)
{
    DisplayDevice& device = displayDevice;
    if (!device.backBuffer || !frame || width <= 0 || height <= 0) {
        device.lastResult = DDERR_INVALIDPARAMS;
        return displayFailed;
    }
    RECT area = {0, 0, width, height};
    DDSURFACEDESC locked;
    zeroBytes(&locked, sizeof locked);
    locked.dwSize = sizeof locked;
    const HRESULT lockResult = device.backBuffer->Lock(&area, &locked, DDLOCK_WAIT, nullptr);
    device.lastResult = lockResult;
    if (lockResult != DD_OK)
        return int(lockResult);
    const int written = writeFrame(locked, frame, width, height);
    if (failed(device.backBuffer->Unlock(locked.lpSurface)))
        return displayFailed;
    if (written != displayOk)
        device.lastResult = DDERR_INVALIDPIXELFORMAT;
    return written;
}
