// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the saver program as a process of its own, as the system would, and
// records what the user would have seen: its boxes (answered with OK), whether
// its saver window came up, and how it ended.
//
// Wine on a busy machine now and then fails to bring up a new process (its
// loader dies before the program's first instruction), so a start that fails
// is tried again a few times; the last error is kept for the failure message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "message_box_watcher.h"

struct ProgramRun {
    bool started = false;
    DWORD startError = 0;  // GetLastError of the last failed start
    bool ended = false;
    DWORD exitCode = DWORD(-1);
    std::vector<SeenBox> boxes;
    bool windowSeen = false;  // a visible window of class "ZEP" appeared
};

// Called about every 50 ms while the program runs, with its saver window once
// that is visible (null before); may post messages to it.
using WhileRunning = std::function<void(HWND saverWindow)>;

// Starts `"program" arguments` in `folder` (null: this program's folder),
// answers its boxes until it ends or `timeoutMs` passes, then waits 5 seconds
// more for it to end and ends it by force otherwise.
ProgramRun runProgram(const std::string& program, const std::string& arguments, DWORD timeoutMs = 30000,
                      const char* folder = nullptr, const WhileRunning& whileRunning = {});

// The part of runProgram after the start: answers the boxes of the started
// `process` until it ends or `timeoutMs` passes, records how it ended, and
// closes its handles.
void finishProgram(PROCESS_INFORMATION& process, DWORD timeoutMs, const WhileRunning& whileRunning,
                   ProgramRun& run);

// Presses a key on the saver window a second after it appears.
WhileRunning pressKeyASecondAfterTheWindow();

// runProgram, pressing a key on the saver window a second after it appears.
ProgramRun runSaverUntilKey(const std::string& program, const std::string& arguments = "/s",
                            DWORD timeoutMs = 30000);

// CreateProcessA with the start retried; false (and `error` set) if every try failed.
bool startProgram(const std::string& program, const std::string& arguments, const char* folder,
                  PROCESS_INFORMATION& process, DWORD& error);

// Replaces the file at `path` with `bytes`. A program that has just ended may
// still hold its image for a moment, so a refused open is tried again.
bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool writeWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes);

// The built saver program, without a package.
std::vector<uint8_t> saverProgramBytes();

std::string temporaryFolder();

// "started 1, ended 1, exit code 0, window 0, start error 0, boxes: [caption|text] ..."
std::string describe(const ProgramRun& run);
