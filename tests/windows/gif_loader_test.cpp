// SPDX-License-Identifier: GPL-3.0-or-later
// The saver's picture loader around the decoder: the file, the surface's Lock
// and Unlock (against the DirectDraw test doubles), the "lock error" box, and
// the palette read with the platform's file calls.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "../native/gif_test_support.h"
#include "display_doubles.h"
#include "message_box_watcher.h"
#include "package/gif_loader_win.h"

using namespace giftest;

namespace {

void writeFile(const std::wstring& path, const Bytes& bytes)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::wstring temporaryFile(const Bytes& bytes)
{
    wchar_t directory[MAX_PATH] = {};
    wchar_t name[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, directory);
    GetTempFileNameW(directory, L"gif", 0, name);
    writeFile(name, bytes);
    return name;
}

class GifLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        world = &doubles;
        std::mt19937 random(6);
        indices = photoLikeIndices(random, 24, 10, 256);
        gif = gifOf(indices, 24, 10, 8);
        doubles.surfaceNames = {"image"};
        surface = doubles.makeSurface("image");
        // Room around the locked rectangle: 6 more bytes a row, 2 more rows.
        surface->width = 24;
        surface->height = 12;
        surface->prepareMemory(30, guard);
    }
    void TearDown() override
    {
        for (const auto& path : files)
            DeleteFileW(path.c_str());
        world = nullptr;
    }
    std::wstring file(const Bytes& bytes)
    {
        files.push_back(temporaryFile(bytes));
        return files.back();
    }
    // The picture rows as the lock's memory holds them, and whether every byte
    // outside the 24 x 10 rectangle still holds the guard.
    Bytes rectangle() const
    {
        Bytes out;
        for (int row = 0; row < 10; ++row)
            out.insert(out.end(), surface->memory.begin() + row * 30, surface->memory.begin() + row * 30 + 24);
        return out;
    }
    bool outsideUntouched() const
    {
        for (size_t at = 0; at < surface->memory.size(); ++at) {
            const bool inside = at / 30 < 10 && at % 30 < 24;
            if (!inside && surface->memory[at] != guard)
                return false;
        }
        return true;
    }

    static constexpr uint8_t guard = 0xC3;
    DirectDrawWorld doubles;
    FakeSurface* surface = nullptr;
    Bytes indices;
    Bytes gif;
    std::vector<std::wstring> files;
};

struct LoadCall {
    const wchar_t* path;
    IDirectDrawSurface* surface;
    int result;
};

DWORD WINAPI runLoad(void* context)
{
    auto* call = static_cast<LoadCall*>(context);
    call->result = loadGifPicture(call->path, call->surface, 24, 10, 0, 100000);
    return 0;
}

}  // namespace

TEST_F(GifLoader, DecodesIntoTheLockedRectangleAndUnlocksIt)
{
    const std::wstring path = file(gif);
    EXPECT_EQ(loadGifPicture(path.c_str(), surface, 24, 10, 0, int(gif.size())), 1);
    ASSERT_EQ(surface->locks.size(), 1u);
    const auto& lock = surface->locks[0];
    EXPECT_TRUE(lock.hasRect);
    EXPECT_EQ(lock.rect.left, 0);
    EXPECT_EQ(lock.rect.top, 0);
    EXPECT_EQ(lock.rect.right, 24);
    EXPECT_EQ(lock.rect.bottom, 10);
    EXPECT_EQ(lock.descriptionSize, sizeof(DDSURFACEDESC));
    EXPECT_EQ(lock.flags, DWORD(DDLOCK_WAIT));
    EXPECT_EQ(lock.event, nullptr);
    ASSERT_EQ(surface->unlocks.size(), 1u);
    EXPECT_EQ(surface->unlocks[0], surface->memory.data());
    EXPECT_EQ(rectangle(), indices);
    EXPECT_TRUE(outsideUntouched());
}

TEST_F(GifLoader, ReadsThePictureAtItsOffsetWithinItsLength)
{
    Bytes package(5000, 0x2C);
    package.insert(package.end(), gif.begin(), gif.end());
    const std::wstring path = file(package);
    EXPECT_EQ(loadGifPicture(path.c_str(), surface, 24, 10, 5000, int(gif.size())), 1);
    EXPECT_EQ(rectangle(), indices);

    // A length that ends 100 bytes before the data's end leaves the last rows undecoded.
    surface->prepareMemory(30, guard);
    EXPECT_EQ(loadGifPicture(path.c_str(), surface, 24, 10, 5000, int(gif.size()) - 100), 1);
    const Bytes cut = rectangle();
    EXPECT_EQ(surface->unlocks.size(), 2u);
    EXPECT_TRUE(std::equal(cut.begin(), cut.begin() + 24, indices.begin()));
    EXPECT_EQ(cut.back(), guard);
    EXPECT_TRUE(outsideUntouched());
}

TEST_F(GifLoader, RefusesWhatIsNotAPictureWithoutLocking)
{
    Bytes notGif = gif;
    notGif[2] = 'G';
    Bytes noSeparator(gif.begin(), gif.begin() + 13 + 768);
    EXPECT_EQ(loadGifPicture(file(notGif).c_str(), surface, 24, 10, 0, 100000), 0);
    EXPECT_EQ(loadGifPicture(file(noSeparator).c_str(), surface, 24, 10, 0, 100000), 0);
    EXPECT_EQ(loadGifPicture(L"Z:\\no\\such\\file.scr", surface, 24, 10, 0, 100000), 0);
    EXPECT_EQ(loadGifPicture(file(gif).c_str(), surface, 24, 10, -5, 100000), 0);
    EXPECT_TRUE(surface->locks.empty());
    EXPECT_TRUE(outsideUntouched());
    EXPECT_EQ(rectangle(), Bytes(240, guard));
}

TEST_F(GifLoader, MinimumCodeSizeOutsideTwoToNineUnlocksWithNothingWritten)
{
    Bytes badCodeSize = gif;
    badCodeSize[13 + 768 + 10] = 10;
    EXPECT_EQ(loadGifPicture(file(badCodeSize).c_str(), surface, 24, 10, 0, 100000), 0);
    EXPECT_EQ(surface->locks.size(), 1u);
    EXPECT_EQ(surface->unlocks.size(), 1u);
    EXPECT_EQ(rectangle(), Bytes(240, guard));
}

TEST_F(GifLoader, FailedLockShowsLockErrorOnceAndDecodesNothing)
{
    doubles.script("image.Lock", DDERR_SURFACELOST);
    const std::wstring path = file(gif);
    LoadCall call{path.c_str(), surface, -1};
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, runLoad, &call, 0, &threadId);
    ASSERT_NE(thread, nullptr);
    const auto boxes = answerBoxesUntil(
        GetCurrentProcessId(), threadId, [&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    EXPECT_EQ(call.result, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "MESSAGE");
    EXPECT_EQ(boxes[0].text, "lock error");
    EXPECT_TRUE(surface->unlocks.empty());
    EXPECT_EQ(rectangle(), Bytes(240, guard));
}

TEST_F(GifLoader, PaletteComesFromTheColourTableWithFlagsKept)
{
    Bytes package(300, 0);
    package.insert(package.end(), gif.begin(), gif.end());
    PALETTEENTRY palette[256];
    for (auto& entry : palette)
        entry = PALETTEENTRY{1, 2, 3, 0x40};
    EXPECT_EQ(readGifPalette(file(package).c_str(), palette, 300), 0);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(palette[i].peRed, gif[13 + i * 3]);
        EXPECT_EQ(palette[i].peGreen, gif[14 + i * 3]);
        EXPECT_EQ(palette[i].peBlue, gif[15 + i * 3]);
        EXPECT_EQ(palette[i].peFlags, 0x40);
    }
}

TEST_F(GifLoader, ShortPaletteReadLeavesTheRestBlack)
{
    const Bytes shortFile(gif.begin(), gif.begin() + 13 + 100);
    PALETTEENTRY palette[256];
    for (auto& entry : palette)
        entry = PALETTEENTRY{9, 9, 9, 0};
    EXPECT_EQ(readGifPalette(file(shortFile).c_str(), palette, 0), 0);
    for (int i = 0; i < 256; ++i) {
        const uint8_t colour[3] = {palette[i].peRed, palette[i].peGreen, palette[i].peBlue};
        for (int c = 0; c < 3; ++c) {
            const int at = i * 3 + c;
            EXPECT_EQ(colour[c], at < 100 ? gif[size_t(13 + at)] : 0) << i;
        }
    }
}

TEST_F(GifLoader, PaletteOfAFileThatCannotBeOpenedIsUnchanged)
{
    PALETTEENTRY palette[256];
    for (auto& entry : palette)
        entry = PALETTEENTRY{7, 8, 9, 1};
    EXPECT_EQ(readGifPalette(L"Z:\\no\\such\\file.scr", palette, 0), 2);
    for (const auto& entry : palette)
        EXPECT_TRUE(entry.peRed == 7 && entry.peGreen == 8 && entry.peBlue == 9 && entry.peFlags == 1);
}
