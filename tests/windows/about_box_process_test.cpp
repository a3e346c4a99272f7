// SPDX-License-Identifier: GPL-3.0-or-later
// The saver program started in the About mode: the box it shows, and that
// only OK ends it and the program.
#include <gtest/gtest.h>

#include <string>

#include "process_runner.h"

namespace {

const std::string saverProgram = windowsPathOf(GLIMMER_SAVER_PATH);
const std::string expectedCredit = std::string("This Screen Saver was created using\n\n"
                                               "The Glimmerwheel Studio\n\n"
                                               "Make your own screen savers on-line\n\n") +
                                   GLIMMER_SITE_HOST;

class AboutProcess : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0)
                TerminateProcess(process.hProcess, 99);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }

    bool start(const std::string& arguments)
    {
        DWORD error = 0;
        return startProgram(saverProgram, arguments, nullptr, process, error);
    }

    // The program's one dialog, once it is visible; null after 20 seconds.
    HWND waitForBox()
    {
        const DWORD begin = GetTickCount();
        while (GetTickCount() - begin < 20000) {
            const std::vector<HWND> boxes = findDialogWindows(process.dwProcessId, 0);
            if (boxes.size() == 1)
                return boxes[0];
            if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0)
                return nullptr;
        }
        return nullptr;
    }

    bool running() { return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }

    // Exit code once the program has ended; -1 if it is still running after 10 seconds.
    long long exitCode()
    {
        if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    PROCESS_INFORMATION process = {};
};

std::string itemText(HWND box, int id)
{
    char text[512] = {};
    GetDlgItemTextA(box, id, text, sizeof text);
    return text;
}

}  // namespace

TEST_F(AboutProcess, NoArgumentShowsTheBoxThatOnlyOkEnds)
{
    ASSERT_TRUE(start(""));
    HWND box = waitForBox();
    ASSERT_NE(box, nullptr) << "no About box appeared";
    const SeenBox seen = describeBox(box);
    EXPECT_EQ(seen.caption, "The Glimmerwheel Studio");
    EXPECT_EQ(seen.text, expectedCredit);
    EXPECT_EQ(itemText(box, 1), "OK");
    EXPECT_EQ(itemText(box, 1000), "Visit Site");
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr) << "the box has no owner";

    // Escape, the close box and cancel all leave it open.
    PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    Sleep(1000);
    EXPECT_TRUE(running());
    EXPECT_TRUE(IsWindowVisible(box));

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(AboutProcess, EnterEndsTheProgramWithZero)
{
    ASSERT_TRUE(start(""));
    HWND box = waitForBox();
    ASSERT_NE(box, nullptr);
    PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(exitCode(), 0);
}

// The configure request and switches that name no mode show the same box.
TEST_F(AboutProcess, ConfigureAndUnknownSwitchesShowTheSameBox)
{
    for (const char* arguments : {"/c:1234", "/c", "/P 1234"}) {
        SCOPED_TRACE(arguments);
        TearDown();
        process = {};
        ASSERT_TRUE(start(arguments));
        HWND box = waitForBox();
        ASSERT_NE(box, nullptr);
        const SeenBox seen = describeBox(box);
        EXPECT_EQ(seen.caption, "The Glimmerwheel Studio");
        EXPECT_EQ(seen.text, expectedCredit);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(exitCode(), 0);
    }
}
