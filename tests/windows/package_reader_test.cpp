// SPDX-License-Identifier: GPL-3.0-or-later
// The package reader's Windows side: the program's own file found by a UTF-16
// path in any script and of any length, its header read at byte 61440, and the
// box "error opening file" for a file that cannot be opened.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "message_box_watcher.h"
#include "process_runner.h"
#include "package/package_reader_win.h"

namespace {

struct ReadCall {
    const wchar_t* exePath;
    int result;
};

DWORD WINAPI runRead(void* context)
{
    auto* call = static_cast<ReadCall*>(context);
    call->result = readPackageHeader(call->exePath);
    return 0;
}

// readPackageHeader on a thread of its own, its boxes answered with OK.
std::vector<SeenBox> readAnsweringBoxes(ReadCall& call)
{
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, runRead, &call, 0, &threadId);
    EXPECT_NE(thread, nullptr);
    if (!thread)
        return {};
    const auto boxes = answerBoxesUntil(
        GetCurrentProcessId(), threadId, [&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    return boxes;
}

// A stand-in program of 61440 bytes followed by a header whose record 0 is
// `width` x 8.
std::vector<uint8_t> programWithHeader(int32_t width)
{
    std::vector<uint8_t> file(size_t(packageOffset), 'P');
    ImagePackage package{};
    package.imageCount = 1;
    package.width[0] = width;
    package.height[0] = 8;
    package.kind[0] = gifKind;
    unsigned char header[packageHeaderSize];
    writePackageHeader(package, header);
    file.insert(file.end(), header, header + packageHeaderSize);
    return file;
}

}  // namespace

TEST(PackageReader, FindsItsOwnFileAtAnyPathAndNamesOneItCannotOpen)
{
    if (externalPackage)
        GTEST_SKIP() << "this build reads file.dat beside the program";
    wchar_t temporary[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temporary);
    // The long path is written as the saver names one of 260 characters or
    // more: with the prefix "\\?\" that lets the file functions take it.
    const std::wstring script = std::wstring(temporary) + L"\u0417\u0430\u0441\u0442\u0430\u0432\u043a\u0430 \u65e5\u672c\u8a9e";
    std::vector<std::wstring> folders = {script};
    std::wstring deep = L"\\\\?\\" + script;
    while (deep.size() < 300)
        folders.push_back(deep += L"\\" + std::wstring(60, L'd'));
    for (const auto& folder : folders)
        CreateDirectoryW(folder.c_str(), nullptr);

    const struct {
        const char* what;
        std::wstring program;
        int32_t width;
        int result;
        size_t boxes;  // each "error opening file" with an empty caption
    } cases[] = {
        {"Cyrillic and CJK", script + L"\\\u30bb\u30fc\u30d0\u30fc.scr", 8, 1, 0},
        {"past 300 characters", deep + L"\\saver.scr", 16, 1, 0},
        {"no such file", script + L"\\missing.scr", 0, 0, 1},
    };
    for (const auto& c : cases) {
        if (c.result)
            ASSERT_TRUE(writeWholeFile(c.program, programWithHeader(c.width))) << c.what;
        imagePackage = ImagePackage{};
        ReadCall call{c.program.c_str(), -1};
        const auto boxes = readAnsweringBoxes(call);
        EXPECT_EQ(call.result, c.result) << c.what;
        ASSERT_EQ(boxes.size(), c.boxes) << c.what;
        for (const auto& box : boxes) {
            EXPECT_EQ(box.text, "error opening file") << c.what;
            EXPECT_EQ(box.caption, "") << c.what;
        }
        ASSERT_NE(packagePath, nullptr) << c.what;
        EXPECT_EQ(std::wstring(packagePath), c.program) << c.what;
        EXPECT_EQ(imagePackage.width[0], c.width) << c.what;
        if (c.result)
            DeleteFileW(c.program.c_str());
    }
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        RemoveDirectoryW(folder->c_str());
}
