// The saver program itself, started as a process with a command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "message_box_watcher.h"

namespace {

const std::string saverProgram = windowsPathOf(GLIMMER_SAVER_PATH);

struct Finished {
    bool ended;
    DWORD exitCode;
    std::vector<SeenBox> boxes;
};

Finished runProgram(const std::string& program, const std::string& arguments, DWORD timeoutMs = 20000)
{
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return Finished{false, DWORD(-1), {}};
    auto ended = [&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; };
    Finished result{false, DWORD(-1), answerBoxesUntil(process.dwProcessId, 0, ended, timeoutMs)};
    if (WaitForSingleObject(process.hProcess, 5000) == WAIT_OBJECT_0) {
        result.ended = true;
        GetExitCodeProcess(process.hProcess, &result.exitCode);
    } else {
        TerminateProcess(process.hProcess, 99);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

// A copy of the program with `tail` appended, in the temporary folder.
std::string programWithTail(const std::string& name, const std::vector<char>& tail)
{
    std::ifstream source(GLIMMER_SAVER_PATH, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

}  // namespace

TEST(SaverProcess, PreviewEndsAtOnceWithExitCodeZero)
{
    const Finished run = runProgram(saverProgram, "/p 1234");
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
}

TEST(SaverProcess, SaverWithoutAPackageSaysCorruptHeaderAndEndsWithZero)
{
    const Finished run = runProgram(saverProgram, "/s");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, "corrupt header");
    EXPECT_EQ(run.boxes[0].caption, "");
}

TEST(SaverProcess, BadMagicAndShortHeaderSayCorruptHeader)
{
    std::vector<char> badMagic(392 + 1, 0);
    std::copy_n("GlimmerwheelStudiX", 18, badMagic.begin());
    std::vector<char> shortHeader(100, 0);
    std::copy_n("GlimmerwheelStudio", 18, shortHeader.begin());
    for (const auto& [name, tail] : {std::pair{"badmagic.scr", badMagic}, std::pair{"short.scr", shortHeader}}) {
        const Finished run = runProgram(programWithTail(name, tail), "/S");
        ASSERT_TRUE(run.ended) << name;
        EXPECT_EQ(run.exitCode, 0u) << name;
        ASSERT_EQ(run.boxes.size(), 1u) << name;
        EXPECT_EQ(run.boxes[0].text, "corrupt header") << name;
    }
}
