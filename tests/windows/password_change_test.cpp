// SPDX-License-Identifier: GPL-3.0-or-later
// The password mode of the saver program, run beside a stand-in MPR.DLL that
// records how it was called, beside one without the entry point, and with no
// library at all. Wine prefers its own MPR.DLL to one beside the program and
// takes WINEDLLOVERRIDES only from the environment it was started with, so the
// copied program gets a per-program override in the registry instead: MPR.DLL
// "native", which loads the library beside it, or none.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "process_runner.h"

namespace {

const std::string saverProgram = windowsPathOf(GLIMMER_SAVER_PATH);
const std::string recordingLibrary = windowsPathOf(GLIMMER_TEST_MPR);
const std::string libraryWithoutEntryPoint = windowsPathOf(GLIMMER_TEST_MPR_WITHOUT_ENTRY_POINT);
const char programName[] = "glimmer-password.scr";
const char overrideKey[] = "Software\\Wine\\AppDefaults\\glimmer-password.scr";

// The run, and MPR.DLL's record of how it was called.
struct PasswordRun : ProgramRun {
    std::vector<std::string> libraryLog;  // mpr_calls.txt, line by line
};

// A fresh folder in the temporary folder holding a copy of the saver and,
// unless `library` is empty, a copy of it as MPR.DLL.
std::string prepareFolder(const std::string& name, const std::string& library)
{
    char temporary[MAX_PATH];
    GetTempPathA(sizeof temporary, temporary);
    const std::string folder = std::string(temporary) + "glimmer-password-" + name + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA((folder + "MPR.DLL").c_str());
    DeleteFileA((folder + "mpr_calls.txt").c_str());
    DeleteFileA((folder + programName).c_str());
    EXPECT_TRUE(CopyFileA(saverProgram.c_str(), (folder + programName).c_str(), FALSE));
    if (!library.empty())
        EXPECT_TRUE(CopyFileA(library.c_str(), (folder + "MPR.DLL").c_str(), FALSE));
    return folder;
}

PasswordRun runPasswordMode(const std::string& folder, const std::string& arguments)
{
    PasswordRun run;
    static_cast<ProgramRun&>(run) = runProgram(folder + programName, arguments, 20000, folder.c_str());

    std::ifstream log(folder + "mpr_calls.txt");
    for (std::string line; std::getline(log, line);)
        run.libraryLog.push_back(line);
    return run;
}

using Lines = std::vector<std::string>;

class PasswordChange : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string dllOverrides = std::string(overrideKey) + "\\DllOverrides";
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, dllOverrides.c_str(), "mpr", REG_SZ, "native", sizeof "native"),
                  ERROR_SUCCESS);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, overrideKey); }
};

}  // namespace

TEST_F(PasswordChange, CallsTheProviderWithScrsaveTheOwnerAndTwoZerosThenFreesIt)
{
    const std::string folder = prepareFolder("owner", recordingLibrary);
    const PasswordRun run = runPasswordMode(folder, "/a:1234");
    ASSERT_TRUE(run.ended) << describe(run);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.libraryLog, (Lines{"load", "PwdChangePasswordA SCRSAVE 1234 0 0", "free"}));
}

TEST_F(PasswordChange, NoOwnerGivesOwnerZero)
{
    const std::string folder = prepareFolder("no-owner", recordingLibrary);
    for (const char* arguments : {"/a", "-A"}) {
        DeleteFileA((folder + "mpr_calls.txt").c_str());
        const PasswordRun run = runPasswordMode(folder, arguments);
        ASSERT_TRUE(run.ended) << arguments << ": " << describe(run);
        EXPECT_EQ(run.exitCode, 0u) << arguments;
        EXPECT_EQ(run.libraryLog, (Lines{"load", "PwdChangePasswordA SCRSAVE 0 0 0", "free"})) << arguments;
    }
}

TEST_F(PasswordChange, LibraryWithoutTheEntryPointIsFreedSilently)
{
    const std::string folder = prepareFolder("no-entry", libraryWithoutEntryPoint);
    const PasswordRun run = runPasswordMode(folder, "/a 1234");
    ASSERT_TRUE(run.ended) << describe(run);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.libraryLog, (Lines{"load", "free"}));
}

TEST_F(PasswordChange, NoLibraryAtAllEndsSilentlyWithZero)
{
    const std::string folder = prepareFolder("no-library", "");
    const PasswordRun run = runPasswordMode(folder, "/a:1234");
    ASSERT_TRUE(run.ended) << describe(run);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_TRUE(run.libraryLog.empty());
}
