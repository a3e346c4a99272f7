// SPDX-License-Identifier: MIT
#include "package/gif_loader_win.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "package/gif_decoder.h"
#include "package/gif_palette.h"

static_assert(sizeof(PALETTEENTRY) == sizeof(PaletteEntry) && offsetof(PALETTEENTRY, peRed) == 0 &&
                  offsetof(PALETTEENTRY, peGreen) == 1 && offsetof(PALETTEENTRY, peBlue) == 2 &&
                  offsetof(PALETTEENTRY, peFlags) == 3,
              "PaletteEntry must be laid out as PALETTEENTRY");
#ifndef _WIN64
static_assert(sizeof(DDSURFACEDESC) == 108, "the surface description is 108 bytes");
#endif

namespace {

size_t readFromFile(void* context, uint8_t* buffer, size_t capacity)
{
    return fread(buffer, 1, capacity, static_cast<FILE*>(context));
}

}  // namespace

int loadGifPicture(const wchar_t* path, LPDIRECTDRAWSURFACE surface, int width, int height, int offset, int length)
{
    DDSURFACEDESC description;
    memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;

    FILE* file = _wfopen(path, L"rb");
    if (!file)
        return 0;
    // A negative offset comes only from a corrupt header: there is nothing to read.
    if (offset < 0 || fseek(file, offset, SEEK_SET) != 0) {
        fclose(file);
        return 0;
    }
    // The stream is read through a buffer of its own, on the stack: a static one
    // would take its size in the program file.
    uint8_t streamBuffer[4096];
    GifStream stream;
    gifOpenSource(&stream, readFromFile, file, streamBuffer, sizeof streamBuffer);
    GifImage image;
    if (gifReadImageSize(&stream, &image) != gifOk) {
        fclose(file);
        return 0;
    }

    RECT area = {0, 0, width, height};
    const HRESULT locked = surface->Lock(&area, &description, DDLOCK_WAIT, nullptr);
    if (locked != DD_OK)
        MessageBoxA(nullptr, "lock error", "MESSAGE", MB_OK);
    uint8_t* const pixelPointer = locked == DD_OK ? static_cast<uint8_t*>(description.lpSurface) : nullptr;
    if (!pixelPointer) {
        if (locked == DD_OK)
            surface->Unlock(description.lpSurface);
        fclose(file);
        return 1;
    }

    GifWorkspace* const workspace = gifAllocateWorkspace();
    const GifTarget target = {pixelPointer, description.lPitch, width, height};
    const int status = gifDecodeImage(&stream, &image, uint32_t(length), &target, workspace);
    surface->Unlock(pixelPointer);
    gifFreeWorkspace(workspace);
    fclose(file);
    return status == gifOk || status == gifDataEnded ? 1 : 0;
}

int readGifPalette(const wchar_t* path, PALETTEENTRY* palette, int offset)
{
    const HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    uint8_t table[gifColourTableSize];
    DWORD got = 0;
    // The table lies 13 bytes into the stream; a position before the file's
    // start reads nothing.
    const long long position = (long long)offset + gifColourTableOffset;
    if (position >= 0) {
        LONG high = LONG(position >> 32);
        SetLastError(NO_ERROR);
        const DWORD low = SetFilePointer(file, LONG(position & 0xFFFFFFFF), &high, FILE_BEGIN);
        if (low != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR) {
            if (!ReadFile(file, table, sizeof table, &got, nullptr))
                got = 0;
        }
    }
    CloseHandle(file);
    paletteFromColourTable(table, got, reinterpret_cast<PaletteEntry*>(palette));
    return 0;
}
