// SPDX-License-Identifier: GPL-3.0-or-later
#include "process_runner.h"

#include <fstream>
#include <iterator>

namespace {

constexpr int startTries = 4;
constexpr DWORD retryPauseMs = 500;

HWND visibleSaverWindowOf(DWORD processId)
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "ZEP", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return IsWindowVisible(window) ? window : nullptr;
    }
    return nullptr;
}

}  // namespace

bool startProgram(const std::string& program, const std::string& arguments, const char* folder,
                  PROCESS_INFORMATION& process, DWORD& error)
{
    for (int attempt = 0; attempt < startTries; ++attempt) {
        if (attempt)
            Sleep(retryPauseMs);
        std::string commandLine = "\"" + program + "\"";
        if (!arguments.empty())
            commandLine += " " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        process = {};
        if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder,
                           &startup, &process))
            return true;
        error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return false;
    }
    return false;
}

void finishProgram(PROCESS_INFORMATION& process, DWORD timeoutMs, const WhileRunning& whileRunning,
                   ProgramRun& run)
{
    auto ended = [&] {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            return true;
        HWND window = visibleSaverWindowOf(process.dwProcessId);
        run.windowSeen = run.windowSeen || window != nullptr;
        if (whileRunning)
            whileRunning(window);
        return false;
    };
    run.boxes = answerBoxesUntil(process.dwProcessId, 0, ended, timeoutMs);
    if (WaitForSingleObject(process.hProcess, 5000) == WAIT_OBJECT_0) {
        run.ended = true;
        GetExitCodeProcess(process.hProcess, &run.exitCode);
    } else {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

ProgramRun runProgram(const std::string& program, const std::string& arguments, DWORD timeoutMs,
                      const char* folder, const WhileRunning& whileRunning)
{
    ProgramRun run;
    PROCESS_INFORMATION process = {};
    run.started = startProgram(program, arguments, folder, process, run.startError);
    if (run.started)
        finishProgram(process, timeoutMs, whileRunning, run);
    return run;
}

WhileRunning pressKeyASecondAfterTheWindow()
{
    return [windowSince = DWORD(0), keyPressed = false](HWND window) mutable {
        if (!window || keyPressed)
            return;
        if (!windowSince)
            windowSince = GetTickCount();
        if (GetTickCount() - windowSince > 1000) {
            PostMessageA(window, WM_KEYDOWN, 'A', 0x001E0001);
            keyPressed = true;
        }
    };
}

ProgramRun runSaverUntilKey(const std::string& program, const std::string& arguments, DWORD timeoutMs)
{
    return runProgram(program, arguments, timeoutMs, nullptr, pressKeyASecondAfterTheWindow());
}

namespace {

template <typename Open>
bool writeWithRetries(Open open, const std::vector<uint8_t>& bytes)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (attempt)
            Sleep(250);
        HANDLE file = open();
        if (file == INVALID_HANDLE_VALUE)
            continue;
        DWORD written = 0;
        const bool whole = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                           written == bytes.size();
        CloseHandle(file);
        if (whole)
            return true;
    }
    return false;
}

}  // namespace

bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return writeWithRetries(
        [&] { return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr); },
        bytes);
}

bool writeWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    return writeWithRetries(
        [&] { return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr); },
        bytes);
}

std::vector<uint8_t> saverProgramBytes()
{
    std::ifstream source(GLIMMER_SAVER_PATH, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
}

std::string temporaryFolder()
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    return folder;
}

std::string describe(const ProgramRun& run)
{
    std::string text = "started " + std::to_string(run.started) + ", ended " + std::to_string(run.ended) +
                       ", exit code " + std::to_string(run.exitCode) + ", window " + std::to_string(run.windowSeen) +
                       ", start error " + std::to_string(run.startError) + ", boxes:";
    for (const auto& box : run.boxes)
        text += " [" + box.caption + "|" + box.text + "]";
    return text;
}
