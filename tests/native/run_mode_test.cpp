// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/run_mode.h"

TEST(RunMode, ArgumentTextChoosesTheMode)
{
    struct Case {
        const char* text;
        RunMode mode;
    } const cases[] = {
        {"", About},
        {"/c", About},
        {"/c:1234", About},
        {"/s", Saver},
        {"/S", Saver},
        {"-s", Saver},
        {"s", Saver},
        {"/p 1234", Preview},
        {"/P 1234", About},  // only a lower-case p means Preview
        {"sa", ChangePassword},
        {"as", Saver},  // the second character wins
        {"/a 1234", ChangePassword},
        {"/a", ChangePassword},
        {"ws", Saver},
        {"w/s", About},  // the mode is read from the first two characters only
        {"xyzs", About},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chooseRunMode(c.text), c.mode) << "argument text \"" << c.text << "\"";
}

TEST(RunMode, WindowedTestModeNeedsALowerCaseWFirst)
{
    EXPECT_TRUE(isWindowedTestMode("ws"));
    EXPECT_TRUE(isWindowedTestMode("w/s"));
    EXPECT_FALSE(isWindowedTestMode("Ws"));
    EXPECT_FALSE(isWindowedTestMode("sw"));
    EXPECT_FALSE(isWindowedTestMode(""));
}

TEST(OwnerHandle, ReadFromTheFourthCharacterOn)
{
    EXPECT_EQ(parseOwnerHandle("/a 1234"), 1234);
    EXPECT_EQ(parseOwnerHandle("/a:1234"), 1234);
    EXPECT_EQ(parseOwnerHandle("/a  ::  1234"), 1234);
    EXPECT_EQ(parseOwnerHandle("/a"), 0);
    EXPECT_EQ(parseOwnerHandle("/a "), 0);
    EXPECT_EQ(parseOwnerHandle("/a x12"), 0);
    EXPECT_EQ(parseOwnerHandle("/a -42"), -42);
    EXPECT_EQ(parseOwnerHandle("/a +42"), 42);
    EXPECT_EQ(parseOwnerHandle("/a 987zz"), 987);
    // the first three characters are passed over whatever they hold
    EXPECT_EQ(parseOwnerHandle("1234567"), 4567);
}

TEST(OwnerHandle, LongTextsStayInTheirBuffer)
{
    // 15 characters fit the 16-character owner-handle text; the rest is cut.
    // (a 32-bit program wraps the number as its handle type does)
    EXPECT_EQ(parseOwnerHandle("/a 123456789012345678901234567890"), intptr_t(uintptr_t(123456789012345ULL)));
    const std::string huge = "/a " + std::string(100000, '7');
    EXPECT_EQ(parseOwnerHandle(huge.c_str()), intptr_t(uintptr_t(777777777777777ULL)));
}

TEST(ExePath, TheProgramsOwnName)
{
    char path[pathCapacity];
    ASSERT_EQ(deriveExePath("C:\\Windows\\Glimmer Saver.scr", 0, path, sizeof path), 1);
    EXPECT_STREQ(path, "C:\\Windows\\Glimmer Saver.scr");
    ASSERT_EQ(deriveExePath("C:\\Windows\\Glimmer Saver.scr", 1, path, sizeof path), 1);
    EXPECT_STREQ(path, "C:\\Windows\\");
    ASSERT_EQ(deriveExePath("saver.scr", 1, path, sizeof path), 1);
    EXPECT_STREQ(path, "");
}

TEST(ExePath, PathsThatDoNotFitAreRefused)
{
    char path[16];
    EXPECT_EQ(deriveExePath("C:\\a\\b\\c\\de.scr", 0, path, sizeof path), 1);  // 15 characters
    EXPECT_EQ(deriveExePath("C:\\a\\b\\c\\def.scr", 0, path, sizeof path), 0);
    EXPECT_STREQ(path, "");
}

TEST(PackagePath, CopyOrFileDatBesideTheProgram)
{
    char path[pathCapacity];
    ASSERT_EQ(formPackagePath("C:\\x\\saver.scr", 0, path, sizeof path), 1);
    EXPECT_STREQ(path, "C:\\x\\saver.scr");
    ASSERT_EQ(formPackagePath("C:\\x\\", 1, path, sizeof path), 1);
    EXPECT_STREQ(path, "C:\\x\\file.dat");

    char small[14];
    EXPECT_EQ(formPackagePath("C:\\x\\", 1, small, sizeof small), 1);  // 13 characters and terminator
    EXPECT_EQ(formPackagePath("C:\\xy\\", 1, small, sizeof small), 0);
    EXPECT_STREQ(small, "");
}

TEST(ExePath, WideNamesKeepEveryCharacterAndMayBeLong)
{
    const std::wstring folder = L"C:\\Users\\\u0410\u043d\u043d\u0430\\\u65e5\u672c\u8a9e " + std::wstring(280, L'x') + L"\\";
    const std::wstring name = folder + L"\u30bb\u30fc\u30d0\u30fc.scr";
    std::vector<wchar_t> path(name.size() + 1);
    ASSERT_EQ(deriveExePath(name.c_str(), 0, path.data(), path.size()), 1);
    EXPECT_EQ(std::wstring(path.data()), name);
    ASSERT_EQ(deriveExePath(name.c_str(), 1, path.data(), path.size()), 1);
    EXPECT_EQ(std::wstring(path.data()), folder);
    EXPECT_EQ(deriveExePath(name.c_str(), 0, path.data(), name.size()), 0);  // no room for the terminator

    // The program's own buffer cut to its directory in place.
    std::vector<wchar_t> buffer(name.begin(), name.end());
    buffer.push_back(0);
    ASSERT_EQ(deriveExePath(buffer.data(), 1, buffer.data(), buffer.size()), 1);
    EXPECT_EQ(std::wstring(buffer.data()), folder);

    std::vector<wchar_t> package(packagePathCapacity(folder.c_str(), 1));
    EXPECT_EQ(package.size(), folder.size() + 9);
    ASSERT_EQ(formPackagePath(folder.c_str(), 1, package.data(), package.size()), 1);
    EXPECT_EQ(std::wstring(package.data()), folder + L"file.dat");
    EXPECT_EQ(formPackagePath(folder.c_str(), 1, package.data(), package.size() - 1), 0);
    EXPECT_EQ(package[0], 0);
    EXPECT_EQ(packagePathCapacity(name.c_str(), 0), name.size() + 1);
}
