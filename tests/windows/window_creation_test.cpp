// SPDX-License-Identifier: GPL-3.0-or-later
// Creating the saver window: its class, styles, place and size, and the
// rectangle that the windowed test mode presents into.
#include <gtest/gtest.h>

#include <string>

#include "display/display_device_win.h"
#include "shell/saver_window_win.h"

namespace {

// Runs the window's messages as the saver's loop would, until the quit
// message; returns its code, or -1 when none came within five seconds.
int runUntilQuit()
{
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < 5000) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return int(message.wParam);
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
    return -1;
}

void pumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string titleOf(HWND window)
{
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

class SaverWindowCreation : public ::testing::Test {
protected:
    void SetUp() override
    {
        SaverWindow = nullptr;
        windowActivated = 0;
        mouseRule.armed = 0;
        displayDevice.presentRect = RECT{0, 0, 640, 480};
    }

    void TearDown() override
    {
        if (SaverWindow && IsWindow(SaverWindow))
            DestroyWindow(SaverWindow);
        pumpMessages();
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        SaverWindow = nullptr;
        windowActivated = 0;
        displayDevice.presentRect = RECT{0, 0, 640, 480};
    }
};

}  // namespace

TEST_F(SaverWindowCreation, ClassZepHasTheSaversProcedureABlackBackgroundAndNoCursor)
{
    ASSERT_NE(createSaverWindow(GetModuleHandleA(nullptr), 1), 0);
    WNDCLASSA windowClass = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "ZEP", &windowClass));
    EXPECT_EQ(windowClass.style, UINT(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(windowClass.style, 3u);
    EXPECT_EQ(windowClass.lpfnWndProc, saverWindowProcedure);
    EXPECT_EQ(windowClass.cbClsExtra, 0);
    EXPECT_EQ(windowClass.cbWndExtra, 0);
    EXPECT_EQ(windowClass.hIcon, nullptr);
    EXPECT_EQ(windowClass.hCursor, nullptr);
    EXPECT_EQ(windowClass.hbrBackground, HBRUSH(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(windowClass.lpszMenuName, nullptr);

    char className[16] = {};
    GetClassNameA(SaverWindow, className, sizeof className);
    EXPECT_STREQ(className, "ZEP");
}

TEST_F(SaverWindowCreation, FullScreenWindowIsATopmostPopupCoveringTheScreen)
{
    ASSERT_NE(createSaverWindow(GetModuleHandleA(nullptr), 1), 0);
    ASSERT_TRUE(IsWindow(SaverWindow));
    const DWORD style = DWORD(GetWindowLongA(SaverWindow, GWL_STYLE));
    EXPECT_EQ(style & (WS_POPUP | WS_VISIBLE), DWORD(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0u);
    EXPECT_TRUE(GetWindowLongA(SaverWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(titleOf(SaverWindow), "GlimmerwheelStudio");
    RECT frame;
    GetWindowRect(SaverWindow, &frame);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);
    EXPECT_EQ(frame.right, 640);
    EXPECT_EQ(frame.bottom, 480);
    EXPECT_EQ(GetParent(SaverWindow), nullptr);
    EXPECT_EQ(GetMenu(SaverWindow), nullptr);
    // Full screen leaves presentRect alone.
    EXPECT_EQ(displayDevice.presentRect.left, 0);
    EXPECT_EQ(displayDevice.presentRect.top, 0);
    EXPECT_EQ(displayDevice.presentRect.right, 640);
    EXPECT_EQ(displayDevice.presentRect.bottom, 480);

    // Being shown activates it, which lets the loop render.
    pumpMessages();
    EXPECT_EQ(windowActivated, 1);

    // A key press, through the loop: the window closes and the quit code is 0.
    PostMessageA(SaverWindow, WM_KEYDOWN, 'Q', 1);
    EXPECT_EQ(runUntilQuit(), 0);
    EXPECT_FALSE(IsWindow(SaverWindow));
}

TEST_F(SaverWindowCreation, TestModeWindowIsCaptionedAndPresentRectIsTheFrameOfA640By480ClientArea)
{
    ASSERT_NE(createSaverWindow(GetModuleHandleA(nullptr), 0), 0);
    const DWORD style = DWORD(GetWindowLongA(SaverWindow, GWL_STYLE));
    const DWORD wanted = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_POPUP), 0u);
    EXPECT_TRUE(GetWindowLongA(SaverWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(titleOf(SaverWindow), "GlimmerwheelStudio");

    RECT frame;
    GetWindowRect(SaverWindow, &frame);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);
    EXPECT_EQ(frame.right - frame.left, 640);
    EXPECT_EQ(frame.bottom - frame.top, 480);
    RECT client;
    GetClientRect(SaverWindow, &client);
    EXPECT_LT(client.right, 640);
    EXPECT_LT(client.bottom, 480);

    RECT expected = {0, 0, 640, 480};
    ASSERT_TRUE(AdjustWindowRectEx(&expected, 0x10CE0000, FALSE, 0));
    EXPECT_EQ(displayDevice.presentRect.left, expected.left);
    EXPECT_EQ(displayDevice.presentRect.top, expected.top);
    EXPECT_EQ(displayDevice.presentRect.right, expected.right);
    EXPECT_EQ(displayDevice.presentRect.bottom, expected.bottom);
    EXPECT_LT(displayDevice.presentRect.left, 0);
    EXPECT_LT(displayDevice.presentRect.top, 0);
    EXPECT_GT(displayDevice.presentRect.right, 640);
    EXPECT_GT(displayDevice.presentRect.bottom, 480);
    // The caption makes the top border the widest.
    EXPECT_LT(displayDevice.presentRect.top, displayDevice.presentRect.left);

    PostMessageA(SaverWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(runUntilQuit(), 0);
    EXPECT_FALSE(IsWindow(SaverWindow));
}
