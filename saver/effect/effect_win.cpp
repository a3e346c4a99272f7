// SPDX-License-Identifier: MIT
#include "effect/effect_win.h"

#include <windows.h>
#include <ddraw.h>
#include <stddef.h>
#include <time.h>

#include "display/display_device_win.h"
#include "package/gif_loader_win.h"
#include "package/package_reader_win.h"

EffectRun effectRun;
// A modal box on every frame would block the saver and flood the user.
int lockErrorShown = 0;

namespace {

// The picture's colours, as readGifPalette leaves them; all black when the
// picture is not a GIF.
PALETTEENTRY palette[paletteSize];

static_assert(sizeof(PALETTEENTRY) == sizeof(PaletteEntry) && offsetof(PALETTEENTRY, peRed) == offsetof(PaletteEntry, red)
                  && offsetof(PALETTEENTRY, peGreen) == offsetof(PaletteEntry, green)
                  && offsetof(PALETTEENTRY, peBlue) == offsetof(PaletteEntry, blue)
                  && offsetof(PALETTEENTRY, peFlags) == offsetof(PaletteEntry, flags),
              "the platform-free palette entry must match PALETTEENTRY byte for byte");

// createOffscreenSurface's flags for the picture: 1 asks for nothing special,
// so the surface goes to video memory when there is room.
const DWORD pictureSurfaceFlags = 1;
const DWORD sourceBlitKey = DDCKEY_SRCBLT;
const int pictureRecord = 0;

void reportLockFailure(HRESULT result)
{
    // A surface lost to another program comes back through restoreSurfaces;
    // its frame is skipped without a word.
    if (result == DDERR_SURFACELOST) {
        restoreSurfaces();
        return;
    }
    if (lockErrorShown)
        return;
    lockErrorShown = 1;
    MessageBoxA(nullptr, "lock error", "MESSAGE", MB_OK);
}

// The first frame copies the picture from lpImage1 into the texture. A failed
// lock copies nothing and leaves the texture as it is.
void captureTexture()
{
    LPDIRECTDRAWSURFACE picture = displayDevice.lpImage1;
    const int width = imagePackage.width[pictureRecord];
    const int height = imagePackage.height[pictureRecord];
    RECT area = {0, 0, width, height};
    DDSURFACEDESC locked;
    ZeroMemory(&locked, sizeof locked);
    locked.dwSize = sizeof locked;
    const HRESULT result = picture->Lock(&area, &locked, DDLOCK_WAIT, nullptr);
    if (result != DD_OK) {
        reportLockFailure(result);
        return;
    }
    captureEffectTexture(&effectRun, static_cast<const uint8_t*>(locked.lpSurface), locked.lPitch, width,
                         height);
    picture->Unlock(locked.lpSurface);
}

// Returns 0 when the frame is in the back buffer, non-zero when it is not
// (and must not be presented).
int copyToBackBuffer()
{
    const int result = copyFrameToBackBuffer(effectRun.frameBuffer, frameWidth, frameHeight);
    // 3 is the device's own failure (no back buffer, a pixel format it cannot
    // write, a failed unlock); any other non-zero value is the lock's code.
    if (result != displayOk && result != displayFailed)
        reportLockFailure(HRESULT(result));
    return result;
}

}  // namespace

int initEffect()
{
    const ImagePackage& package = imagePackage;
    if (createOffscreenSurface(WORD(package.width[pictureRecord]), WORD(package.height[pictureRecord]),
                               pictureSurfaceFlags, &displayDevice.lpImage1) != displayOk) {
        MessageBoxA(nullptr, "", "Error initialising lpImage1 surface", MB_OK);
        // Nothing can be drawn from a surface that does not exist.
        return 0;
    }
    if (package.colourKey[pictureRecord] != noColourKey)
        setColourKey(displayDevice.lpImage1, sourceBlitKey, DWORD(package.colourKey[pictureRecord]), 0);

    startEffectRun(&effectRun, uint32_t(time(nullptr)));

    if (package.kind[pictureRecord] == gifKind) {
        loadGifPicture(packagePath, displayDevice.lpImage1, package.width[pictureRecord],
                       package.height[pictureRecord], package.offset[pictureRecord], package.length[pictureRecord]);
        readGifPalette(packagePath, palette, package.offset[pictureRecord]);
    }
    setPaletteEntries(palette);
    setEffectPalette(&effectRun, reinterpret_cast<const PaletteEntry*>(palette));
    return 1;
}

int renderFrame()
{
    if (beginEffectFrame(&effectRun))
        captureTexture();
    finishEffectFrame(&effectRun);
    if (copyToBackBuffer() != displayOk)
        return displayFailed;
    const int presented = presentFrame();
    if (presented != displayOk && displayDevice.lastResult == DDERR_SURFACELOST)
        restoreSurfaces();
    return presented;
}
