// SPDX-License-Identifier: GPL-3.0-or-later
// The saver program itself, started as a process with a command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "process_runner.h"

namespace {

const std::string saverProgram = windowsPathOf(GLIMMER_SAVER_PATH);

// A copy of the program with `tail` appended, in the temporary folder.
std::string programWithTail(const std::string& name, const std::vector<uint8_t>& tail)
{
    std::vector<uint8_t> bytes = saverProgramBytes();
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    const std::string path = temporaryFolder() + name;
    return writeWholeFile(path, bytes) ? path : std::string();
}

}  // namespace

TEST(SaverProcess, PreviewEndsAtOnceWithExitCodeZero)
{
    const ProgramRun run = runProgram(saverProgram, "/p 1234", 20000);
    EXPECT_TRUE(run.ended) << describe(run);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty()) << describe(run);
}

TEST(SaverProcess, SaverWithoutAPackageSaysCorruptHeaderAndEndsWithZero)
{
    const ProgramRun run = runProgram(saverProgram, "/s", 20000);
    ASSERT_TRUE(run.ended) << describe(run);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u) << describe(run);
    EXPECT_EQ(run.boxes[0].text, "corrupt header");
    EXPECT_EQ(run.boxes[0].caption, "");
}

TEST(SaverProcess, BadMagicAndShortHeaderSayCorruptHeader)
{
    std::vector<uint8_t> badMagic(392 + 1, 0);
    std::copy_n("GlimmerwheelStudiX", 18, badMagic.begin());
    std::vector<uint8_t> shortHeader(100, 0);
    std::copy_n("GlimmerwheelStudio", 18, shortHeader.begin());
    for (const auto& [name, tail] : {std::pair{"badmagic.scr", badMagic}, std::pair{"short.scr", shortHeader}}) {
        const std::string program = programWithTail(name, tail);
        ASSERT_FALSE(program.empty()) << name;
        const ProgramRun run = runProgram(program, "/S", 20000);
        ASSERT_TRUE(run.ended) << name << ": " << describe(run);
        EXPECT_EQ(run.exitCode, 0u) << name;
        ASSERT_EQ(run.boxes.size(), 1u) << name << ": " << describe(run);
        EXPECT_EQ(run.boxes[0].text, "corrupt header") << name;
        DeleteFileA(program.c_str());
    }
}
