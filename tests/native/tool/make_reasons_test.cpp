// SPDX-License-Identifier: GPL-3.0-or-later
// The maker says what it did and why it refuses as values, and the showability
// check refuses (or with force notes) a record that preview and play cannot
// show before any quantising; glimmer words them with its flags.
#include <gtest/gtest.h>

#include "../gif_test_support.h"
#include "crafted_pictures.h"
#include "make_saver.h"
#include "make_wording.h"
#include "maker_error.h"
#include "saver_package.h"

namespace {

MakeRefusal refusalOf(std::span<const uint8_t> picture, FitMode fit)
{
    MakeOptions options;
    options.fit = fit;
    try {
        makeSaverPackage(picture, options, {});
    } catch (const MakeError& error) {
        return error.refusal;
    }
    ADD_FAILURE() << "made a saver";
    return {};
}

std::vector<NoteKind> kindsOf(const MadeSaver& made)
{
    std::vector<NoteKind> kinds;
    for (const MakeNote& note : made.notes)
        kinds.push_back(note.kind);
    return kinds;
}

}  // namespace

TEST(MakeReasons, ShowabilityCheckOfRecordSizes)
{
    const struct {
        int width, height;
        bool showable;
    } cases[] = {
        {256, 256, true}, {1, 1, true}, {65535, 1, true}, {8192, 8192, true},  // 67108864 pixels, the most
        {0, 0, false},    {0, 5, false}, {65536, 1, false}, {8193, 8192, false}, {-1, 256, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const GifSize size{c.width, c.height};
        const auto note = checkRecordShowable(size, true);
        ASSERT_EQ(note.has_value(), !c.showable);
        if (c.showable) {
            EXPECT_NO_THROW(checkRecordShowable(size, false));
            continue;
        }
        EXPECT_EQ(std::tuple(note->kind, note->width, note->height),
                  std::tuple(NoteKind::unshowableForced, c.width, c.height));
        try {
            checkRecordShowable(size, false);
            ADD_FAILURE() << "not refused";
        } catch (const MakeError& error) {
            EXPECT_EQ(std::tuple(error.refusal.kind, error.refusal.width, error.refusal.height),
                      std::tuple(RefusalKind::unshowable, c.width, c.height));
            EXPECT_FALSE(error.refusal.detail.empty());
        }
    }
}

TEST(MakeReasons, DeclaredSizeRefusalsCarryTheirNumbers)
{
    const struct {
        uint32_t width, height;
        FitMode fit;
        int64_t limit;
    } cases[] = {
        {10001, 10000, FitMode::cover, 100'000'000},
        {5001, 5000, FitMode::none, 25'000'000},
        {8200, 8200, FitMode::none, 25'000'000},
    };
    for (const auto& c : cases) {
        const MakeRefusal refusal = refusalOf(crafted::pngClaiming(c.width, c.height), c.fit);
        EXPECT_EQ(std::tuple(refusal.kind, refusal.width, refusal.height, refusal.limit, refusal.unfitted,
                             refusal.name),
                  std::tuple(RefusalKind::tooManyPixels, c.width, c.height, c.limit, c.fit == FitMode::none,
                             std::string("picture")))
            << refusal.detail;
    }
    // A file cut short stays a plain refusal that says it all.
    EXPECT_EQ(refusalOf(crafted::pngClaiming(64, 64), FitMode::cover).kind, RefusalKind::plain);
}

TEST(MakeReasons, NotesOfAGifPackedReencodedAndKeptAtItsSize)
{
    Bytes indices(256 * 256);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = uint8_t(i * 7);
    const Bytes ready = giftest::gifOf(indices, 256, 256, 8);
    const Bytes small = giftest::gifOf(Bytes(16 * 12, 3), 16, 12, 8);
    MakeOptions options;
    EXPECT_EQ(kindsOf(makeSaverPackage(ready, options, {})), std::vector{NoteKind::gifUnchanged});
    EXPECT_EQ(kindsOf(makeSaverPackage(small, options, {})), std::vector{NoteKind::gifReencoded});
    options.reencode = true;
    EXPECT_EQ(kindsOf(makeSaverPackage(ready, options, {})), std::vector<NoteKind>{});
    options.fit = FitMode::none;
    const MadeSaver kept = makeSaverPackage(small, options, {});
    ASSERT_EQ(kindsOf(kept), std::vector{NoteKind::unfittedTile});
    const MakeNote& tile = kept.notes[0];
    EXPECT_EQ(std::vector({tile.width, tile.height, tile.shownWidth, tile.shownHeight}), std::vector({16, 12, 16, 12}));
    EXPECT_TRUE(tile.fill.has_value());
}

TEST(MakeReasons, GlimmerWordsThemWithItsFlags)
{
    MakeRefusal unfitted = sizeRefusal(RefusalKind::tooManyPixels, 8200, 8200);
    unfitted.name = "big.png";
    unfitted.limit = 25'000'000;
    unfitted.unfitted = true;
    MakeNote tile = noteOf(NoteKind::unfittedTile);
    tile.width = 300;
    tile.height = 20;
    tile.shownWidth = 255;
    tile.shownHeight = 20;
    tile.fill = PaletteEntry{255, 0, 16};
    MakeNote forced = noteOf(NoteKind::unshowableForced, "a size the saver cannot make a picture surface of");
    const struct {
        std::string glimmer;
        std::string plain;
        std::string expected;
    } cases[] = {
        {glimmerRefusalText(unfitted), plainRefusalText(unfitted),
         "'big.png' is 8200 x 8200 pixels; with --fit none glimmer make takes pictures of up to 25 megapixels (the "
         "saver shows the top-left 255 x 255 pixels of it): choose another --fit"},
        {glimmerRefusalText(sizeRefusal(RefusalKind::tooLargeForGif, 70000, 2)),
         plainRefusalText(sizeRefusal(RefusalKind::tooLargeForGif, 70000, 2)),
         "the picture is 70000 x 2, larger than a GIF can hold (65535 x 65535); choose a --fit other than none"},
        {glimmerRefusalText(sizeRefusal(RefusalKind::unshowable, 0, 0, "why")),
         plainRefusalText(sizeRefusal(RefusalKind::unshowable, 0, 0, "why")),
         "the picture is 0 x 0, why: glimmer preview and play would refuse the saver (--force makes it all the same)"},
        {glimmerNoteText(noteOf(NoteKind::gifUnchanged)), "",
         "packing the GIF unchanged: the saver shows it as it is (--reencode re-encodes it)"},
        {glimmerNoteText(tile), "",
         "--fit none: each 256 x 256 tile of the saver shows the top-left 255 x 20 pixels of this 300 x 20 picture, "
         "and palette index 0 (#ff0010) fills the rest of the tile"},
        {glimmerNoteText(forced), "",
         "warning: the picture is 0 x 0, a size the saver cannot make a picture surface of: glimmer preview and "
         "play will refuse this saver"},
        {glimmerNoteText(noteOf(NoteKind::gifReencoded, "it uses transparency")), "",
         "re-encoding the GIF: it uses transparency"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.glimmer, c.expected);
        EXPECT_EQ(c.plain.find("--"), std::string::npos) << c.plain;
    }
}

TEST(MakeReasons, GifScreenSizeIsReadFromTheHeaderOnly)
{
    const Bytes gif = giftest::gifOf(Bytes(16 * 12, 0), 16, 12, 8);
    const auto size = gifScreenSize(gif);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(std::pair(size->width, size->height), std::pair(16, 12));
    EXPECT_FALSE(gifScreenSize(std::span(gif).first(12)).has_value());
    Bytes notGif = gif;
    notGif[2] = 'X';
    EXPECT_FALSE(gifScreenSize(notGif).has_value());
    Bytes widest = gif;
    widest[6] = widest[7] = widest[8] = 0xFF;
    widest[9] = 0x01;
    EXPECT_EQ(std::pair(gifScreenSize(widest)->width, gifScreenSize(widest)->height), std::pair(65535, 511));
}
