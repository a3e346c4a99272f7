// SPDX-License-Identifier: GPL-3.0-or-later
// Finds the message boxes and dialogs that a process or thread shows, records
// their caption and text, and answers them, so that tests can check what the
// user would have seen.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SeenBox {
    std::string caption;
    std::string text;
};

// The captions and texts of the visible dialog windows (class #32770) owned by
// `processId` (or, when `threadId` is non-zero, by that thread).
std::vector<HWND> findDialogWindows(DWORD processId, DWORD threadId);
SeenBox describeBox(HWND box);

// Answers each dialog of the process or thread with `command` (IDOK by
// default) as it appears, until `done` returns true or `timeoutMs` passes.
// Returns what was seen, in order.
template <typename Done>
std::vector<SeenBox> answerBoxesUntil(DWORD processId, DWORD threadId, Done done, DWORD timeoutMs,
                                      WPARAM command = IDOK)
{
    std::vector<SeenBox> seen;
    std::vector<HWND> answered;
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < timeoutMs) {
        for (HWND box : findDialogWindows(processId, threadId)) {
            bool already = false;
            for (HWND old : answered)
                already = already || old == box;
            if (already)
                continue;
            seen.push_back(describeBox(box));
            answered.push_back(box);
            PostMessageA(box, WM_COMMAND, command, 0);
        }
        Sleep(50);
    }
    return seen;
}

// The Windows path of a file of the build (the tests are given host paths).
std::string windowsPathOf(const std::string& hostPath);
