// SPDX-License-Identifier: MIT
// The program's entry point: run mode, start-up, message loop, shutdown.
// Every way out ends with exit code 0.
#include <windows.h>

#include "display/display_device_win.h"
#include "effect/effect_win.h"
#include "package/package_reader_win.h"
#include "shell/about_box_win.h"
#include "shell/run_mode.h"
#include "shell/saver_window_win.h"

namespace {

// The program's path, or with externalPackage its directory.
char exePath[pathCapacity];

const UINT_PTR wakeTimerId = 0;
const UINT wakeTimerPeriod = 100;

void findExePath()
{
    char moduleFileName[pathCapacity];
    const DWORD length = GetModuleFileNameA(nullptr, moduleFileName, sizeof moduleFileName);
    if (length == 0 || length >= sizeof moduleFileName) {
        exePath[0] = '\0';  // too long: the package cannot be opened
        return;
    }
    deriveExePath(moduleFileName, externalPackage, exePath, sizeof exePath);
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
    formPackagePath(exePath, externalPackage, packagePath, sizeof packagePath);

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
