// SPDX-License-Identifier: MIT
#include "shell/saver_window_win.h"

#include "display/display_device_win.h"
#include "shell/mouse_rule.h"

HWND SaverWindow;
int windowActivated;
int firstFrameDone;
POINT mouseReference;
int mouseReferenceSeen;

namespace {

const char windowClassName[] = "ZEP";
const char windowTitle[] = "GlimmerwheelStudio";
const DWORD fullScreenStyle = WS_POPUP | WS_VISIBLE;
const DWORD testWindowStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
void requestClose(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

// A message is measured against the one before it. The first message of all
// has none before it: it only sets the reference, also when it comes after
// the first frame (a platform need not report the pointer before then).
void applyMouseRule(HWND window, LPARAM lParam)
{
    const int x = int(LOWORD(lParam));
    const int y = int(HIWORD(lParam));
    if (!firstFrameDone || !mouseReferenceSeen) {
        mouseReference.x = x;
        mouseReference.y = y;
        mouseReferenceSeen = 1;
    }
    if (isMouseJump(int(mouseReference.x), int(mouseReference.y), x, y))
        requestClose(window);
    mouseReference.x = x;
    mouseReference.y = y;
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
