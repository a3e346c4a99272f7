// SPDX-License-Identifier: GPL-3.0-or-later
// The real saver program on bad packages: what it shows (its message boxes,
// answered with OK) and how it ends (always exit code 0). Packages that get
// past start-up (a cut, garbled or misplaced picture) are run as well, and
// ended with a key press once their window is up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "process_runner.h"

namespace {

constexpr size_t programSize = 61440;
constexpr size_t headerSize = 392;

void put32(std::vector<uint8_t>& bytes, size_t at, int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + size_t(i)] = uint8_t(uint32_t(value) >> (8 * i));
}

// A small valid picture: 8 x 8, a 256-entry grey table, every pixel index 1
// (codes of 9 bits: clear, then 64 times 1 with the table growing, then end).
std::vector<uint8_t> smallGif()
{
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 8, 0, 8, 0, 0xF7, 0, 0};
    for (int i = 0; i < 256; ++i)
        gif.insert(gif.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, 8, 0, 8, 0, 0, 8});
    // Codes, 9 bits each, least significant bit first.
    std::vector<int> codes = {256};
    for (int i = 0; i < 64; ++i)
        codes.push_back(1);
    codes.push_back(257);
    std::vector<uint8_t> data;
    uint32_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= uint32_t(code) << count;
        count += 9;
        while (count >= 8) {
            data.push_back(uint8_t(bits));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count)
        data.push_back(uint8_t(bits));
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t n = std::min<size_t>(255, data.size() - at);
        gif.push_back(uint8_t(n));
        gif.insert(gif.end(), data.begin() + long(at), data.begin() + long(at + n));
    }
    gif.insert(gif.end(), {0, 0x3B});
    return gif;
}

// The program followed by a package: the header (record 0 as given, records
// 1 to 4 empty at the end of the file), one zero byte, then the picture.
std::vector<uint8_t> packaged(const std::vector<uint8_t>& gif, int32_t width, int32_t height)
{
    std::vector<uint8_t> file = saverProgramBytes();
    const size_t pictureAt = programSize + headerSize + 1;
    file.resize(pictureAt, 0);
    uint8_t* header = file.data() + programSize;
    std::memcpy(header, "GlimmerwheelStudio", 18);
    put32(file, programSize + 18, 1);
    for (int record = 0; record < 5; ++record) {
        const size_t at = programSize + 22 + size_t(record) * 21;
        put32(file, at + 8, 999);
        put32(file, at + 12, int32_t(pictureAt + gif.size()));
        file[at + 20] = 'g';
    }
    put32(file, programSize + 22, width);
    put32(file, programSize + 26, height);
    put32(file, programSize + 34, int32_t(pictureAt));
    put32(file, programSize + 38, int32_t(gif.size()));
    file.insert(file.end(), gif.begin(), gif.end());
    return file;
}

}  // namespace

// Headers cut short anywhere and magics damaged anywhere: the one box
// "corrupt header" (empty caption), then exit code 0.
TEST(SaverRobustness, CutOrDamagedHeadersSayCorruptHeader)
{
    const std::vector<uint8_t> whole = packaged(smallGif(), 8, 8);
    struct Case {
        std::string name;
        std::vector<uint8_t> file;
    };
    std::vector<Case> cases;
    for (const size_t length : {size_t(1), size_t(17), size_t(18), size_t(22), size_t(127), size_t(391)})
        cases.push_back({"header cut to " + std::to_string(length) + " bytes",
                         std::vector<uint8_t>(whole.begin(), whole.begin() + long(programSize + length))});
    for (const size_t at : {size_t(0), size_t(5), size_t(11), size_t(17)}) {
        std::vector<uint8_t> file = whole;
        file[programSize + at] ^= 0xFF;
        cases.push_back({"magic byte " + std::to_string(at) + " inverted", file});
    }
    std::vector<uint8_t> zeroInMagic = whole;
    zeroInMagic[programSize + 9] = 0;
    cases.push_back({"a zero byte in the magic", zeroInMagic});

    const std::string program = temporaryFolder() + "glimmer-robust-header.scr";
    for (const auto& c : cases) {
        ASSERT_TRUE(writeWholeFile(program, c.file)) << c.name;
        const ProgramRun run = runSaverUntilKey(program);
        ASSERT_TRUE(run.ended) << c.name << ": " << describe(run);
        EXPECT_EQ(run.exitCode, 0u) << c.name;
        ASSERT_EQ(run.boxes.size(), 1u) << c.name << ": " << describe(run);
        EXPECT_EQ(run.boxes[0].text, "corrupt header") << c.name;
        EXPECT_EQ(run.boxes[0].caption, "") << c.name;
        EXPECT_FALSE(run.windowSeen) << c.name;
    }
    DeleteFileA(program.c_str());
}

// A program whose own path the ANSI calls cannot spell (a folder name outside
// the ANSI code page would come back with a '?' in it) finds itself by its
// UTF-16 name and opens its package: no box, its window comes up, and a key
// ends it with exit code 0. The folder is made and the program started
// through the wide calls.
TEST(SaverRobustness, PackageInAFolderNamedOutsideTheAnsiCodePageIsOpened)
{
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring folder = std::wstring(temporary) + L"glimmer-robust-\u0416\u4E2D";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\saver.scr";
    ASSERT_TRUE(writeWholeFile(program, packaged(smallGif(), 8, 8)));

    std::wstring commandLine = L"\"" + program + L"\" /s";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const bool started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &process);
    ProgramRun run;
    if (started)
        finishProgram(process, 30000, pressKeyASecondAfterTheWindow(), run);
    DeleteFileW(program.c_str());
    RemoveDirectoryW(folder.c_str());
    ASSERT_TRUE(started) << "CreateProcessW failed with error " << GetLastError();
    ASSERT_TRUE(run.ended) << describe(run);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty()) << describe(run);
    EXPECT_TRUE(run.windowSeen) << describe(run);
}

// Record sizes without a picture surface of their own. The surface is made
// with the low 16 bits of each; the picture is then locked over the record's
// own width and height, which DirectDraw refuses when they are not the
// surface's.
//   0 (also 65536, whose low 16 bits are 0)   "Error initialising lpImage1 surface", empty text
//   -1 x -1 (a 65535 x 65535 surface), a height of 65536 + 8 (an 8-row
//   surface) or a width of -65536 + 8 (an 8-column one)
//                                            "lock error" (caption "MESSAGE"): the picture
//                                            stays blank; the saver runs, a key ends it
// Every run ends with exit code 0. (65535 x 65535, a 4 GiB surface that
// wine64 does make, runs in tests/e2e/test_corrupt_packages.sh.)
TEST(SaverRobustness, RecordSizesWithoutASurfaceOfTheirOwn)
{
    const std::string surfaceFailed = "Error initialising lpImage1 surface";
    const struct {
        int32_t width;
        int32_t height;
        const char* firstBox;  // caption of the first box
    } sizes[] = {
        {0, 8, "Error initialising lpImage1 surface"},
        {8, 0, "Error initialising lpImage1 surface"},
        {65536, 8, "Error initialising lpImage1 surface"},
        {-1, -1, "MESSAGE"},
        {8, 65536 + 8, "MESSAGE"},
        {-65536 + 8, 8, "MESSAGE"},
    };
    const std::string program = temporaryFolder() + "glimmer-robust-size.scr";
    for (const auto& size : sizes) {
        const std::string what = std::to_string(size.width) + " x " + std::to_string(size.height);
        ASSERT_TRUE(writeWholeFile(program, packaged(smallGif(), size.width, size.height))) << what;
        const ProgramRun run = runSaverUntilKey(program);
        ASSERT_TRUE(run.ended) << what << ": " << describe(run);
        EXPECT_EQ(run.exitCode, 0u) << what;
        const std::string expected = size.firstBox;
        ASSERT_FALSE(run.boxes.empty()) << what << ": " << describe(run);
        if (expected == surfaceFailed) {
            EXPECT_EQ(run.boxes.size(), 1u) << what << ": " << describe(run);
            EXPECT_EQ(run.boxes[0].caption, surfaceFailed) << what;
            EXPECT_EQ(run.boxes[0].text, "") << what;
        } else {
            for (const auto& box : run.boxes) {
                EXPECT_EQ(box.caption, "MESSAGE") << what << ": " << describe(run);
                EXPECT_EQ(box.text, "lock error") << what;
            }
            EXPECT_TRUE(run.windowSeen) << what << ": " << describe(run);
        }
    }
    DeleteFileA(program.c_str());
}

// Packages whose picture is missing, misplaced, garbled, cut, refused by the
// decoder (code sizes outside 2 to 9, a local colour table, no image) or
// read only in part (an animation): no box, the saver runs with a black,
// blank or partial picture, and a key press ends it with exit code 0.
TEST(SaverRobustness, BadPicturesRunAndEndOnAKey)
{
    const std::vector<uint8_t> gif = smallGif();
    const size_t lengthAt = programSize + 38, offsetAt = programSize + 34;
    struct Case {
        std::string name;
        std::vector<uint8_t> file;
    };
    std::vector<Case> cases;
    cases.push_back({"valid", packaged(gif, 8, 8)});
    std::vector<uint8_t> file = packaged(gif, 8, 8);
    put32(file, offsetAt, int32_t(file.size() + 1000));
    cases.push_back({"offset beyond the file", file});
    file = packaged(gif, 8, 8);
    put32(file, offsetAt, -1);
    cases.push_back({"offset -1", file});
    file = packaged(gif, 8, 8);
    put32(file, offsetAt, 0x7FFFFF00);
    put32(file, lengthAt, 0x200);
    cases.push_back({"offset + length overflowing", file});
    file = packaged(gif, 8, 8);
    file.resize(file.size() - 20);
    cases.push_back({"picture cut short", file});
    std::vector<uint8_t> garbage = gif;
    for (size_t at = 13 + 768 + 11; at + 2 < garbage.size(); ++at)
        garbage[at] = uint8_t(at * 131 + 7);
    cases.push_back({"garbage LZW data", packaged(garbage, 8, 8)});
    for (const int codeSize : {0, 1, 10, 12, 255}) {
        std::vector<uint8_t> bad = gif;
        bad[13 + 768 + 10] = uint8_t(codeSize);
        cases.push_back({"minimum code size " + std::to_string(codeSize), packaged(bad, 8, 8)});
    }
    std::vector<uint8_t> noImage(gif.begin(), gif.begin() + 13 + 768);
    noImage.push_back(0x3B);
    cases.push_back({"no image", packaged(noImage, 8, 8)});
    // A local colour table is never skipped: its first byte (0) is read as
    // the code size, and nothing is decoded.
    std::vector<uint8_t> local = gif;
    local[13 + 768 + 9] = 0x87;
    for (int i = 255; i >= 0; --i)
        local.insert(local.begin() + 13 + 768 + 10, {uint8_t(i), uint8_t(i), uint8_t(i)});
    cases.push_back({"a local colour table", packaged(local, 8, 8)});
    // An animation: a second frame after the first one's end code is never read.
    std::vector<uint8_t> animation(gif.begin(), gif.end() - 1);
    animation.insert(animation.end(), {0x21, 0xF9, 0x04, 0x04, 0x0A, 0x00, 0x00, 0x00});
    animation.insert(animation.end(), gif.begin() + 13 + 768, gif.end());
    cases.push_back({"an animation", packaged(animation, 8, 8)});
    file = packaged(gif, 1, 1);
    cases.push_back({"a 1 x 1 record", file});
    file = packaged(gif, 8, 8);
    put32(file, lengthAt, 0);
    cases.push_back({"length 0", file});
    file = packaged(gif, 8, 8);
    file[programSize + 42] = 'x';
    cases.push_back({"kind not 'g'", file});

    const std::string program = temporaryFolder() + "glimmer-robust-picture.scr";
    for (const auto& c : cases) {
        ASSERT_TRUE(writeWholeFile(program, c.file)) << c.name;
        const ProgramRun run = runSaverUntilKey(program);
        ASSERT_TRUE(run.ended) << c.name << ": " << describe(run);
        EXPECT_EQ(run.exitCode, 0u) << c.name << ": " << describe(run);
        EXPECT_TRUE(run.boxes.empty()) << c.name << ": " << describe(run);
        EXPECT_TRUE(run.windowSeen) << c.name << ": " << describe(run);
    }
    DeleteFileA(program.c_str());
}
