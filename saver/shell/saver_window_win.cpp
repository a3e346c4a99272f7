// SPDX-License-Identifier: MIT
#include "shell/saver_window_win.h"

#include "display/display_device_win.h"

HWND SaverWindow;
int windowActivated;
MouseRule mouseRule;

namespace {

const char windowClassName[] = "ZEP";
const char windowTitle[] = "GlimmerwheelStudio";
const DWORD fullScreenStyle = WS_POPUP | WS_VISIBLE;
const DWORD testWindowStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
void requestClose(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

// Coordinates are unsigned 16-bit numbers: a window of the saver's size has
// no negative ones.
void applyMouseRule(HWND window, LPARAM lParam)
{
    if (mouseMoveEnds(&mouseRule, int(LOWORD(lParam)), int(HIWORD(lParam))))
        requestClose(window);
}

}  // namespace

int createSaverWindow(HINSTANCE instance, int fullScreen)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = saverWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = HBRUSH(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = windowClassName;
    RegisterClassA(&windowClass);

    DWORD style = fullScreenStyle;
    if (!fullScreen) {
        style = testWindowStyle;
        displayDevice.presentRect = RECT{0, 0, screenWidth, screenHeight};
        AdjustWindowRectEx(&displayDevice.presentRect, style, FALSE, 0);
    }
    SaverWindow = CreateWindowExA(WS_EX_TOPMOST, windowClassName, windowTitle, style, 0, 0, screenWidth, screenHeight,
                                  nullptr, nullptr, instance, nullptr);
    return SaverWindow != nullptr;
}

LRESULT CALLBACK saverWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        if (LOWORD(wParam) != 0)
            windowActivated = 1;
        break;
    case WM_CLOSE:
        DestroyWindow(window);
        PostQuitMessage(0);
        break;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        break;
    case WM_KEYDOWN:
    case WM_SYSCOMMAND:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        requestClose(window);
        break;
    case WM_SYSKEYUP:
        // Answered here so that Alt alone opens no menu.
        return 0;
    case WM_MOUSEMOVE:
        applyMouseRule(window, lParam);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
