// SPDX-License-Identifier: MIT
// The program's entry point: run mode, start-up, message loop, shutdown.
// Every way out ends with exit code 0.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "display/display_device_win.h"
#include "effect/effect_win.h"
#include "package/package_reader_win.h"
#include "shell/about_box_win.h"
#include "shell/run_mode.h"
#include "shell/saver_window_win.h"

namespace {

// The program's path, or with externalPackage its directory; empty when it
// cannot be had, so that the package cannot be opened.
const wchar_t* exePath = L"";

const UINT_PTR wakeTimerId = 0;
const UINT wakeTimerPeriod = 100;

// The platform's longest path, in UTF-16 units with the terminator.
const DWORD longestPathCapacity = 32768;

// Asks for the program's name in UTF-16, so that a folder named outside the
// system's ANSI code page keeps its characters, in a buffer that grows until
// the whole name fits.
void findExePath()
{
    // Written in front of a name of MAX_PATH characters or more, so that the
    // file functions take it; the buffer keeps room for it.
    static const wchar_t longPathPrefix[] = L"\\\\?\\";
    const DWORD prefixLength = sizeof longPathPrefix / sizeof *longPathPrefix - 1;
    DWORD capacity = pathCapacity;
    for (;;) {
        wchar_t* const buffer = static_cast<wchar_t*>(malloc((prefixLength + capacity) * sizeof *buffer));
        if (!buffer)
            return;
        wchar_t* name = buffer + prefixLength;
        const DWORD length = GetModuleFileNameW(nullptr, name, capacity);
        if (length == 0) {
            free(buffer);
            return;
        }
        if (length < capacity) {
            DWORD nameLength = length;
            if (length >= MAX_PATH && name[1] == ':' && name[2] == '\\') {
                memcpy(buffer, longPathPrefix, prefixLength * sizeof *buffer);
                name = buffer;
                nameLength += prefixLength;
            }
            deriveExePath(name, externalPackage, name, nameLength + 1);
            exePath = name;
            return;
        }
        free(buffer);  // cut short: ask again with more room
        if (capacity == longestPathCapacity)
            return;
        capacity = capacity < longestPathCapacity / 2 ? capacity * 2 : longestPathCapacity;
    }
}

void frameStep()
{
    renderFrame();
    mouseRule.armed = 1;
}

WPARAM runMessageLoop()
{
    MSG message = {};
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&message, nullptr, 0, 0))
                break;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else if (windowActivated) {
            frameStep();
        } else {
            WaitMessage();
        }
    }
    return message.wParam;
}

int runSaver(HINSTANCE instance, const char* argumentText)
{
    if (!readPackageHeader(exePath)) {
        MessageBoxA(nullptr, "corrupt header", "", MB_OK);
        return 0;
    }
    const int windowed = isWindowedTestMode(argumentText);
    const DWORD displayFlags = windowed ? 0 : displayFullScreen;
    if (!createSaverWindow(instance, windowed ? 0 : 1))
        return 0;

    if (openDisplay(SaverWindow, screenWidth, screenHeight, screenDepth, displayFlags) != displayOk) {
        DestroyWindow(SaverWindow);
        return 0;
    }
    // backgroundIndex is found by initEffect: these clears still use its start value 0.
    clearSurface(displayDevice.backBuffer, DWORD(effectRun.backgroundIndex));
    clearSurface(displayDevice.primarySurface, DWORD(effectRun.backgroundIndex));
    if (!initEffect()) {
        DestroyWindow(SaverWindow);
        return 0;
    }
    SetTimer(SaverWindow, wakeTimerId, wakeTimerPeriod, nullptr);
    SetCursor(nullptr);
    const WPARAM exitCode = runMessageLoop();
    closeDisplay();
    return int(exitCode);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int)
{
    findExePath();
    switch (chooseRunMode(argumentText)) {
    case ChangePassword:
        changePassword(HWND(parseOwnerHandle(argumentText)));
        return 0;
    case Preview:
        return 0;
    case Saver:
        return runSaver(instance, argumentText);
    case About:
    default:
        showAboutBox(instance);
        return 0;
    }
}
