// SPDX-License-Identifier: GPL-3.0-or-later
// The saver window's procedure, fed messages directly. The window it is given
// is a hidden window of the test's own class, whose procedure records what the
// default handling sends back to it; close requests are read from the queue.
#include <gtest/gtest.h>

#include <vector>

#include "shell/saver_window_win.h"

namespace {

struct Received {
    UINT message;
    WPARAM wParam;
};
std::vector<Received> received;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    received.push_back(Received{message, wParam});
    // A system command reaching the window must not run a menu loop or close it.
    if (message == WM_SYSCOMMAND || message == WM_CLOSE)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeRecordingWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "GlimmerProcedureTest";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "GlimmerProcedureTest", "procedure test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

LPARAM at(int x, int y)
{
    return MAKELPARAM(x, y);
}

class WindowProcedure : public ::testing::Test {
protected:
    static void SetUpTestSuite() { window = makeRecordingWindow(); }
    static void TearDownTestSuite()
    {
        DestroyWindow(window);
        window = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(window, nullptr);
        windowActivated = 0;
        mouseRule = MouseRule{};
        takeCloseRequests();
        received.clear();
    }

    void TearDown() override
    {
        windowActivated = 0;
        mouseRule.armed = 0;
    }

    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return saverWindowProcedure(window, message, wParam, lParam);
    }

    // Removes the close requests waiting for the window and counts them; each
    // must carry wParam 0 and lParam 0.
    int takeCloseRequests()
    {
        int count = 0;
        MSG message;
        while (PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
            EXPECT_EQ(message.wParam, 0u);
            EXPECT_EQ(message.lParam, 0);
            ++count;
        }
        return count;
    }

    // After the first frame, with the pointer last seen at x, y.
    static void armedAt(int x, int y)
    {
        mouseRule.armed = 1;
        mouseRule.x = x;
        mouseRule.y = y;
        mouseRule.seen = 1;
    }

    int moveTo(int x, int y)
    {
        send(WM_MOUSEMOVE, 0, at(x, y));
        return takeCloseRequests();
    }

    bool receivedMessage(UINT message) const
    {
        for (const Received& seen : received) {
            if (seen.message == message)
                return true;
        }
        return false;
    }

    static HWND window;
};

HWND WindowProcedure::window = nullptr;

}  // namespace

TEST_F(WindowProcedure, EveryKeyDownRequestsClose)
{
    for (WPARAM key : {WPARAM('A'), WPARAM(VK_SPACE), WPARAM(VK_ESCAPE), WPARAM(VK_SHIFT), WPARAM(VK_CONTROL),
                       WPARAM(VK_F1), WPARAM(VK_RETURN)}) {
        send(WM_KEYDOWN, key, 1);
        EXPECT_EQ(takeCloseRequests(), 1) << "key " << key;
    }
}

TEST_F(WindowProcedure, LeftButtonPressAndReleaseEachRequestClose)
{
    send(WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
    EXPECT_EQ(takeCloseRequests(), 1);
    send(WM_LBUTTONUP, 0, at(5, 5));
    EXPECT_EQ(takeCloseRequests(), 1);
}

TEST_F(WindowProcedure, AnySystemCommandRequestsClose)
{
    for (WPARAM command : {WPARAM(SC_SCREENSAVE), WPARAM(SC_MONITORPOWER), WPARAM(0xF1F0)}) {
        send(WM_SYSCOMMAND, command, 0);
        EXPECT_EQ(takeCloseRequests(), 1) << "command " << command;
    }
}

TEST_F(WindowProcedure, OtherInputDoesNotRequestClose)
{
    send(WM_RBUTTONDOWN, MK_RBUTTON, at(5, 5));
    send(WM_RBUTTONUP, 0, at(5, 5));
    send(WM_MBUTTONDOWN, MK_MBUTTON, at(5, 5));
    send(WM_MBUTTONUP, 0, at(5, 5));
    send(WM_KEYUP, 'A', 0xC0000001);
    send(WM_CHAR, 'a', 1);
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at(5, 5));
    send(WM_TIMER, 0, 0);
    send(WM_PAINT);
    EXPECT_EQ(takeCloseRequests(), 0);
}

TEST_F(WindowProcedure, AltAloneNeitherEndsTheSaverNorOpensTheMenu)
{
    // The default handling would turn the Alt key's release into the menu command.
    DefWindowProcA(window, WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    DefWindowProcA(window, WM_SYSKEYUP, VK_MENU, LPARAM(0xC0380001));
    ASSERT_TRUE(receivedMessage(WM_SYSCOMMAND));
    received.clear();

    send(WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    EXPECT_EQ(send(WM_SYSKEYUP, VK_MENU, LPARAM(0xC0380001)), 0);
    EXPECT_FALSE(receivedMessage(WM_SYSCOMMAND));
    EXPECT_EQ(takeCloseRequests(), 0);
}

TEST_F(WindowProcedure, OtherMessagesGetTheDefaultResult)
{
    RECT client;
    GetClientRect(window, &client);
    POINT inside = {client.right / 2, client.bottom / 2};
    ClientToScreen(window, &inside);
    const LPARAM point = at(inside.x, inside.y);
    EXPECT_EQ(send(WM_NCHITTEST, 0, point), DefWindowProcA(window, WM_NCHITTEST, 0, point));
    EXPECT_EQ(send(WM_NCHITTEST, 0, point), HTCLIENT);
    EXPECT_EQ(send(WM_GETTEXTLENGTH), LRESULT(14));  // "procedure test"
}

TEST_F(WindowProcedure, ActivationWithANonZeroLowWordSetsTheFlag)
{
    for (UINT message : {UINT(WM_ACTIVATE), UINT(WM_ACTIVATEAPP), UINT(WM_NCACTIVATE)}) {
        windowActivated = 0;
        send(message, 0, 0);
        EXPECT_EQ(windowActivated, 0) << "message " << message;
        send(message, MAKEWPARAM(0, 1), 0);  // only the high word set
        EXPECT_EQ(windowActivated, 0) << "message " << message;
        send(message, MAKEWPARAM(WA_CLICKACTIVE, 0), 0);
        EXPECT_EQ(windowActivated, 1) << "message " << message;
    }
}

TEST_F(WindowProcedure, DeactivationNeverClearsTheFlag)
{
    send(WM_ACTIVATE, WA_ACTIVE, 0);
    ASSERT_EQ(windowActivated, 1);
    send(WM_ACTIVATE, WA_INACTIVE, 0);
    send(WM_ACTIVATEAPP, FALSE, 0);
    send(WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(windowActivated, 1);
    EXPECT_EQ(takeCloseRequests(), 0);
}

TEST_F(WindowProcedure, SetCursorHidesThePointer)
{
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // the arrow
    ASSERT_NE(GetCursor(), nullptr);
    send(WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), nullptr);
}

TEST_F(WindowProcedure, JumpsOfTenPixelsAreToleratedAndElevenEndTheSaver)
{
    armedAt(100, 100);
    EXPECT_EQ(moveTo(110, 100), 0);
    EXPECT_EQ(moveTo(100, 100), 0);
    EXPECT_EQ(moveTo(100, 110), 0);
    EXPECT_EQ(moveTo(100, 100), 0);
    EXPECT_EQ(moveTo(90, 90), 0);
    EXPECT_EQ(moveTo(100, 100), 0);
    EXPECT_EQ(moveTo(111, 100), 1);
    EXPECT_EQ(moveTo(100, 100), 1);
    EXPECT_EQ(moveTo(100, 111), 1);
    EXPECT_EQ(moveTo(100, 100), 1);
    EXPECT_EQ(moveTo(89, 89), 1);
}

TEST_F(WindowProcedure, SmallStepsNeverEndTheSaverHoweverFarTheyGo)
{
    armedAt(0, 0);
    for (int step = 1; step <= 50; ++step)
        EXPECT_EQ(moveTo(step * 10, step * 10), 0) << "step " << step;
    EXPECT_EQ(mouseRule.x, 500);
    EXPECT_EQ(mouseRule.y, 500);
}

TEST_F(WindowProcedure, TheReferenceFollowsThePointerAlsoAfterAClose)
{
    armedAt(10, 10);
    EXPECT_EQ(moveTo(40, 10), 1);
    EXPECT_EQ(mouseRule.x, 40);
    EXPECT_EQ(moveTo(45, 10), 0);
}

TEST_F(WindowProcedure, BeforeTheFirstFrameNoMovementEndsTheSaver)
{
    EXPECT_EQ(moveTo(320, 240), 0);
    EXPECT_EQ(moveTo(0, 0), 0);
    EXPECT_EQ(moveTo(600, 470), 0);
    EXPECT_EQ(mouseRule.x, 600);
    EXPECT_EQ(mouseRule.y, 470);
    // Armed by the first frame: measured against the last position seen before it.
    mouseRule.armed = 1;
    EXPECT_EQ(moveTo(590, 460), 0);
    EXPECT_EQ(moveTo(579, 460), 1);
}

// A platform may report the pointer only after the first frame: that first
// message has nothing to be measured against and only sets the reference,
// wherever the pointer is.
TEST_F(WindowProcedure, AFirstMessageAfterTheFirstFrameOnlySetsTheReference)
{
    mouseRule.armed = 1;
    EXPECT_EQ(moveTo(320, 240), 0);
    EXPECT_EQ(mouseRule.x, 320);
    EXPECT_EQ(mouseRule.y, 240);
    EXPECT_EQ(moveTo(330, 250), 0);
    EXPECT_EQ(moveTo(330, 261), 1);
}

TEST_F(WindowProcedure, CoordinatesAreTakenAsUnsignedSixteenBitNumbers)
{
    armedAt(65530, 5);
    // As signed numbers, 65535 would be -1 and lie 65531 pixels away.
    EXPECT_EQ(moveTo(65535, 5), 0);
    EXPECT_EQ(mouseRule.x, 65535);
    EXPECT_EQ(moveTo(0, 5), 1);
}

TEST(WindowProcedureClose, CloseDestroysTheWindowAndPostsQuitWithCodeZero)
{
    HWND window = makeRecordingWindow();
    ASSERT_NE(window, nullptr);
    saverWindowProcedure(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.message, UINT(WM_QUIT));
    EXPECT_EQ(message.wParam, 0u);
}
