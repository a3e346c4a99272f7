// SPDX-License-Identifier: GPL-3.0-or-later
#include "display_doubles.h"

#include <cstring>

DirectDrawWorld* world = nullptr;

// ---- the world ----

void DirectDrawWorld::script(const std::string& call, HRESULT result, int count)
{
    for (int i = 0; i < count; ++i)
        scripted[call].push_back(result);
}

HRESULT DirectDrawWorld::answer(const std::string& call)
{
    record(call);
    auto found = scripted.find(call);
    if (found == scripted.end() || found->second.empty())
        return DD_OK;
    const HRESULT result = found->second.front();
    found->second.pop_front();
    return result;
}

void DirectDrawWorld::record(const std::string& call)
{
    calls.push_back(call);
}

FakeSurface* DirectDrawWorld::surface(const std::string& name)
{
    for (auto& surface : surfaces) {
        if (surface->name == name)
            return surface.get();
    }
    return nullptr;
}

FakeSurface* DirectDrawWorld::makeSurface(const std::string& fallbackName)
{
    auto surface = std::make_unique<FakeSurface>();
    if (!surfaceNames.empty()) {
        surface->name = surfaceNames.front();
        surfaceNames.pop_front();
    } else {
        surface->name = fallbackName + std::to_string(surfaces.size());
    }
    if (displayBits == 8)
        surface->useIndexedFormat();
    else
        surface->useRgbFormat(displayBits, 0xFF0000, 0xFF00, 0xFF);
    surfaces.push_back(std::move(surface));
    return surfaces.back().get();
}

int DirectDrawWorld::count(const std::string& call) const
{
    int n = 0;
    for (const auto& seen : calls)
        n += seen == call;
    return n;
}

HRESULT WINAPI fakeDirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer)
{
    world->createdWithDriver = driver;
    world->createdWithOuter = outer;
    const HRESULT result = world->answer("DirectDrawCreate");
    *directDraw = result == DD_OK ? &world->directDraw : nullptr;
    return result;
}

void forgetDisplayDevice()
{
    displayDevice = DisplayDevice{nullptr, nullptr, nullptr, nullptr, nullptr, 0, DD_OK, {0, 0, 640, 480}};
    std::memset(currentPalette, 0, sizeof currentPalette);
}

void DisplayDoubles::SetUp()
{
    world = &doubles;
    forgetDisplayDevice();
    directDrawCreate = fakeDirectDrawCreate;
}

void DisplayDoubles::TearDown()
{
    directDrawCreate = DirectDrawCreate;
    forgetDisplayDevice();
    world = nullptr;
}

int DisplayDoubles::open(DWORD flags)
{
    doubles.surfaceNames = {"primary", "back"};
    return openDisplay(window, 640, 480, 8, flags);
}

// ---- palette ----

HRESULT WINAPI FakePalette::QueryInterface(REFIID, void** object)
{
    *object = nullptr;
    world->record(name + ".QueryInterface");
    return E_NOINTERFACE;
}

ULONG WINAPI FakePalette::AddRef()
{
    world->record(name + ".AddRef");
    return ++references;
}

ULONG WINAPI FakePalette::Release()
{
    world->record(name + ".Release");
    ++releases;
    return references > 0 ? --references : 0;
}

HRESULT WINAPI FakePalette::GetCaps(LPDWORD caps)
{
    *caps = createdWithCaps;
    return world->answer(name + ".GetCaps");
}

HRESULT WINAPI FakePalette::GetEntries(DWORD, DWORD first, DWORD count, LPPALETTEENTRY entries)
{
    for (DWORD i = 0; i < count && first + i < 256; ++i)
        entries[i] = setEntries.empty() ? createdWith[first + i] : setEntries.back().entries[first + i];
    return world->answer(name + ".GetEntries");
}

HRESULT WINAPI FakePalette::Initialize(LPDIRECTDRAW, DWORD, LPPALETTEENTRY)
{
    return world->answer(name + ".Initialize");
}

HRESULT WINAPI FakePalette::SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries)
{
    setEntries.push_back(SetEntriesCall{flags, first, count, std::vector<PALETTEENTRY>(entries, entries + count)});
    return world->answer(name + ".SetEntries");
}

// ---- surface ----

void FakeSurface::useIndexedFormat()
{
    format = DDPIXELFORMAT{};
    format.dwSize = sizeof format;
    format.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    format.dwRGBBitCount = 8;
}

void FakeSurface::useRgbFormat(DWORD bits, DWORD red, DWORD green, DWORD blue)
{
    format = DDPIXELFORMAT{};
    format.dwSize = sizeof format;
    format.dwFlags = DDPF_RGB;
    format.dwRGBBitCount = bits;
    format.dwRBitMask = red;
    format.dwGBitMask = green;
    format.dwBBitMask = blue;
}

void FakeSurface::prepareMemory(LONG rowPitch, unsigned char fill)
{
    pitch = rowPitch;
    memory.assign(size_t(rowPitch) * height, fill);
}

HRESULT WINAPI FakeSurface::QueryInterface(REFIID, void** object)
{
    *object = nullptr;
    world->record(name + ".QueryInterface");
    return E_NOINTERFACE;
}

ULONG WINAPI FakeSurface::AddRef()
{
    world->record(name + ".AddRef");
    return ++references;
}

ULONG WINAPI FakeSurface::Release()
{
    world->record(name + ".Release");
    ++releases;
    return references > 0 ? --references : 0;
}

HRESULT WINAPI FakeSurface::AddAttachedSurface(LPDIRECTDRAWSURFACE) { return world->answer(name + ".AddAttachedSurface"); }
HRESULT WINAPI FakeSurface::AddOverlayDirtyRect(LPRECT) { return world->answer(name + ".AddOverlayDirtyRect"); }

HRESULT WINAPI FakeSurface::Blt(LPRECT target, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                                LPDDBLTFX effects)
{
    BltCall call = {};
    call.hasTarget = target != nullptr;
    if (target)
        call.target = *target;
    call.source = source;
    call.hasSourceRect = sourceRect != nullptr;
    if (sourceRect)
        call.sourceRect = *sourceRect;
    call.flags = flags;
    call.hasEffects = effects != nullptr;
    if (effects)
        call.effects = *effects;
    blts.push_back(call);
    return world->answer(name + ".Blt");
}

HRESULT WINAPI FakeSurface::BltBatch(LPDDBLTBATCH, DWORD, DWORD) { return world->answer(name + ".BltBatch"); }
HRESULT WINAPI FakeSurface::BltFast(DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT, DWORD) { return world->answer(name + ".BltFast"); }
HRESULT WINAPI FakeSurface::DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE) { return world->answer(name + ".DeleteAttachedSurface"); }
HRESULT WINAPI FakeSurface::EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK) { return world->answer(name + ".EnumAttachedSurfaces"); }
HRESULT WINAPI FakeSurface::EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK) { return world->answer(name + ".EnumOverlayZOrders"); }

HRESULT WINAPI FakeSurface::Flip(LPDIRECTDRAWSURFACE target, DWORD flags)
{
    flips.push_back(FlipCall{target, flags});
    return world->answer(name + ".Flip");
}

HRESULT WINAPI FakeSurface::GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface)
{
    attachedQueries.push_back(*caps);
    const HRESULT result = world->answer(name + ".GetAttachedSurface");
    *surface = result == DD_OK ? attached : nullptr;
    return result;
}

HRESULT WINAPI FakeSurface::GetBltStatus(DWORD) { return world->answer(name + ".GetBltStatus"); }
HRESULT WINAPI FakeSurface::GetCaps(LPDDSCAPS) { return world->answer(name + ".GetCaps"); }
HRESULT WINAPI FakeSurface::GetClipper(LPDIRECTDRAWCLIPPER*) { return world->answer(name + ".GetClipper"); }
HRESULT WINAPI FakeSurface::GetColorKey(DWORD, LPDDCOLORKEY) { return world->answer(name + ".GetColorKey"); }
HRESULT WINAPI FakeSurface::GetDC(HDC*) { return world->answer(name + ".GetDC"); }
HRESULT WINAPI FakeSurface::GetFlipStatus(DWORD) { return world->answer(name + ".GetFlipStatus"); }
HRESULT WINAPI FakeSurface::GetOverlayPosition(LPLONG, LPLONG) { return world->answer(name + ".GetOverlayPosition"); }
HRESULT WINAPI FakeSurface::GetPalette(LPDIRECTDRAWPALETTE*) { return world->answer(name + ".GetPalette"); }

HRESULT WINAPI FakeSurface::GetPixelFormat(LPDDPIXELFORMAT pixelFormat)
{
    *pixelFormat = format;
    return world->answer(name + ".GetPixelFormat");
}

HRESULT WINAPI FakeSurface::GetSurfaceDesc(LPDDSURFACEDESC description)
{
    const DWORD size = description->dwSize;
    std::memset(description, 0, sizeof *description);
    description->dwSize = size;
    description->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    description->dwWidth = width;
    description->dwHeight = height;
    description->lPitch = pitch;
    description->ddpfPixelFormat = format;
    description->ddsCaps = createdWith.ddsCaps;
    return world->answer(name + ".GetSurfaceDesc");
}

HRESULT WINAPI FakeSurface::Initialize(LPDIRECTDRAW, LPDDSURFACEDESC) { return world->answer(name + ".Initialize"); }
HRESULT WINAPI FakeSurface::IsLost() { return world->answer(name + ".IsLost"); }

HRESULT WINAPI FakeSurface::Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags, HANDLE event)
{
    LockCall call = {};
    call.hasRect = rect != nullptr;
    if (rect)
        call.rect = *rect;
    call.descriptionSize = description->dwSize;
    call.flags = flags;
    call.event = event;
    locks.push_back(call);
    const HRESULT result = world->answer(name + ".Lock");
    if (result != DD_OK)
        return result;
    if (memory.empty())
        prepareMemory(pitch, 0);
    const DWORD size = description->dwSize;
    std::memset(description, 0, sizeof *description);
    description->dwSize = size;
    description->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_LPSURFACE;
    if (describesFormat)
        description->dwFlags |= DDSD_PIXELFORMAT;
    description->dwWidth = width;
    description->dwHeight = height;
    description->lPitch = pitch;
    description->ddpfPixelFormat = format;
    const LONG bytesPerPixel = LONG(format.dwRGBBitCount / 8);
    const size_t offset = rect ? size_t(rect->top * pitch + rect->left * bytesPerPixel) : 0;
    description->lpSurface = memory.data() + offset;
    return result;
}

HRESULT WINAPI FakeSurface::ReleaseDC(HDC) { return world->answer(name + ".ReleaseDC"); }

HRESULT WINAPI FakeSurface::Restore()
{
    ++restores;
    return world->answer(name + ".Restore");
}

HRESULT WINAPI FakeSurface::SetClipper(LPDIRECTDRAWCLIPPER) { return world->answer(name + ".SetClipper"); }

HRESULT WINAPI FakeSurface::SetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    colourKeys.push_back(ColourKeyCall{flags, *key});
    return world->answer(name + ".SetColorKey");
}

HRESULT WINAPI FakeSurface::SetOverlayPosition(LONG, LONG) { return world->answer(name + ".SetOverlayPosition"); }

HRESULT WINAPI FakeSurface::SetPalette(LPDIRECTDRAWPALETTE palette)
{
    palettes.push_back(palette);
    return world->answer(name + ".SetPalette");
}

HRESULT WINAPI FakeSurface::Unlock(LPVOID address)
{
    unlocks.push_back(address);
    return world->answer(name + ".Unlock");
}

HRESULT WINAPI FakeSurface::UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDOVERLAYFX) { return world->answer(name + ".UpdateOverlay"); }
HRESULT WINAPI FakeSurface::UpdateOverlayDisplay(DWORD) { return world->answer(name + ".UpdateOverlayDisplay"); }
HRESULT WINAPI FakeSurface::UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE) { return world->answer(name + ".UpdateOverlayZOrder"); }

// ---- DirectDraw ----

HRESULT WINAPI FakeDirectDraw::QueryInterface(REFIID, void** object)
{
    *object = nullptr;
    world->record(name + ".QueryInterface");
    return E_NOINTERFACE;
}

ULONG WINAPI FakeDirectDraw::AddRef()
{
    world->record(name + ".AddRef");
    return ++references;
}

ULONG WINAPI FakeDirectDraw::Release()
{
    world->record(name + ".Release");
    ++releases;
    return references > 0 ? --references : 0;
}

HRESULT WINAPI FakeDirectDraw::Compact() { return world->answer("Compact"); }
HRESULT WINAPI FakeDirectDraw::CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) { return world->answer("CreateClipper"); }

HRESULT WINAPI FakeDirectDraw::CreatePalette(DWORD caps, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                             IUnknown* outer)
{
    const HRESULT result = world->answer("CreatePalette");
    auto made = std::make_unique<FakePalette>();
    made->name = "palette";
    made->createdWithCaps = caps;
    std::memcpy(made->createdWith, entries, sizeof made->createdWith);
    if (outer)
        world->record("CreatePalette with an outer object");
    if (result != DD_OK) {
        *palette = nullptr;
        return result;
    }
    *palette = made.get();
    world->palettes.push_back(std::move(made));
    return result;
}

HRESULT WINAPI FakeDirectDraw::CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* surface,
                                             IUnknown* outer)
{
    surfaceRequests.push_back(*description);
    const HRESULT result = world->answer("CreateSurface");
    if (outer)
        world->record("CreateSurface with an outer object");
    if (result != DD_OK) {
        *surface = nullptr;
        return result;
    }
    FakeSurface* made = world->makeSurface("surface");
    made->createdWith = *description;
    if (description->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) {
        made->width = world->screenWidth;
        made->height = world->screenHeight;
    } else {
        made->width = description->dwWidth;
        made->height = description->dwHeight;
    }
    made->pitch = LONG(made->width * (made->format.dwRGBBitCount / 8));
    if (description->ddsCaps.dwCaps & DDSCAPS_FLIP) {
        made->attached = world->makeSurface("attached");
        made->attached->width = made->width;
        made->attached->height = made->height;
        made->attached->pitch = made->pitch;
    }
    *surface = made;
    return result;
}

HRESULT WINAPI FakeDirectDraw::DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) { return world->answer("DuplicateSurface"); }
HRESULT WINAPI FakeDirectDraw::EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK) { return world->answer("EnumDisplayModes"); }
HRESULT WINAPI FakeDirectDraw::EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK) { return world->answer("EnumSurfaces"); }
HRESULT WINAPI FakeDirectDraw::FlipToGDISurface() { return world->answer("FlipToGDISurface"); }
HRESULT WINAPI FakeDirectDraw::GetCaps(LPDDCAPS, LPDDCAPS) { return world->answer("GetCaps"); }
HRESULT WINAPI FakeDirectDraw::GetDisplayMode(LPDDSURFACEDESC) { return world->answer("GetDisplayMode"); }
HRESULT WINAPI FakeDirectDraw::GetFourCCCodes(LPDWORD, LPDWORD) { return world->answer("GetFourCCCodes"); }
HRESULT WINAPI FakeDirectDraw::GetGDISurface(LPDIRECTDRAWSURFACE*) { return world->answer("GetGDISurface"); }
HRESULT WINAPI FakeDirectDraw::GetMonitorFrequency(LPDWORD) { return world->answer("GetMonitorFrequency"); }
HRESULT WINAPI FakeDirectDraw::GetScanLine(LPDWORD) { return world->answer("GetScanLine"); }
HRESULT WINAPI FakeDirectDraw::GetVerticalBlankStatus(WINBOOL*) { return world->answer("GetVerticalBlankStatus"); }
HRESULT WINAPI FakeDirectDraw::Initialize(GUID*) { return world->answer("Initialize"); }
HRESULT WINAPI FakeDirectDraw::RestoreDisplayMode() { return world->answer("RestoreDisplayMode"); }

HRESULT WINAPI FakeDirectDraw::SetCooperativeLevel(HWND window, DWORD level)
{
    cooperativeWindow = window;
    cooperativeLevel = level;
    return world->answer("SetCooperativeLevel");
}

HRESULT WINAPI FakeDirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD depth)
{
    modeWidth = width;
    modeHeight = height;
    modeDepth = depth;
    return world->answer("SetDisplayMode");
}

HRESULT WINAPI FakeDirectDraw::WaitForVerticalBlank(DWORD, HANDLE) { return world->answer("WaitForVerticalBlank"); }
