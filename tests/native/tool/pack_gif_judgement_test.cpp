// SPDX-License-Identifier: GPL-3.0-or-later
// What pack says of a GIF the saver will show otherwise than a viewer, and of
// one whose picture it cannot decode at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../gif_test_support.h"
#include "tool_run.h"
#include "tool_test_folder.h"

namespace {

using giftest::buildGif;
using giftest::greyTable;
using giftest::lzwEncode;
using giftest::packCodes;

// A 16 x 12 picture of `colours` colours, with a global table of that many
// entries (none when 0).
giftest::GifLayout layoutOf(int colours, int minimumCodeSize)
{
    Bytes indices(16 * 12);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = uint8_t(i * 7 % size_t(colours ? colours : 256));
    giftest::GifLayout layout;
    layout.screenWidth = layout.imageWidth = 16;
    layout.screenHeight = layout.imageHeight = 12;
    if (colours) {
        int bits = 0;
        while ((2 << bits) < colours)
            ++bits;
        layout.screenPacked = uint8_t(0x80 | 0x70 | bits);
        layout.colourTable = greyTable(colours);
    } else {
        layout.screenPacked = 0x70;
    }
    layout.minimumCodeSize = minimumCodeSize;
    layout.data = packCodes(lzwEncode(indices, minimumCodeSize), minimumCodeSize);
    return layout;
}

// The GIF with a 256-entry local table after its image descriptor.
Bytes withLocalTable(giftest::GifLayout layout)
{
    layout.imagePacked = 0x87;
    Bytes gif = buildGif(layout);
    const size_t afterDescriptor = 13 + layout.colourTable.size() + 10;
    Bytes table = greyTable(256);
    std::reverse(table.begin(), table.end());  // its first byte, 255, is where the code size should be
    gif.insert(gif.begin() + long(afterDescriptor), table.begin(), table.end());
    return gif;
}

class PackJudgement : public ToolFolderTest {};

}  // namespace

TEST_F(PackJudgement, NotesAndRefusalsOfGifsTheSaverShowsOtherwise)
{
    giftest::GifLayout cut = layoutOf(256, 8);
    cut.data.resize(cut.data.size() / 2);
    cut.terminator = cut.trailer = false;
    giftest::GifLayout codeSizeOne = layoutOf(256, 8);
    codeSizeOne.minimumCodeSize = 1;
    giftest::GifLayout noImage = layoutOf(256, 8);
    Bytes noImageGif = buildGif(noImage);
    noImageGif.resize(13 + 768);
    noImageGif.push_back(0x3B);

    const struct {
        const char* what;
        Bytes gif;
        int status;       // without --force
        const char* said; // on stdout when packed, on stderr when refused
        bool forceable;   // --force packs it with a warning
    } cases[] = {
        {"whole", buildGif(layoutOf(256, 8)), 0, "", false},
        {"16-entry table", buildGif(layoutOf(16, 4)), 0,
         "note: the saver will show this GIF otherwise than a viewer: its global colour table has 16 entries, not 256",
         false},
        {"data cut short", buildGif(cut), 0, "note: the saver will show this GIF otherwise than a viewer: its picture "
                                             "data is cut short", false},
        {"local table", withLocalTable(layoutOf(256, 8)), 2,
         "its LZW code size is 255 where the saver reads it, and the saver decodes only 2 to 9; its picture has a "
         "local colour table",
         true},
        {"no global table, a local one", withLocalTable(layoutOf(0, 8)), 2, "; it has no global colour table; its "
                                                                            "picture has a local colour table", true},
        {"no image", noImageGif, 2, ": the GIF ends before its picture; it is damaged: it holds no picture", true},
        {"LZW code size 1", buildGif(codeSizeOne), 2,
         ": its LZW code size is 1 where the saver reads it, and the saver decodes only 2 to 9; its LZW code size 1 "
         "is outside 2 to 9",
         true},
        {"only GIF89a", Bytes{'G', 'I', 'F', '8', '9', 'a'}, 2,
         "the picture is cut short: it ends inside its header, after 6 of its 13 bytes", false},
    };
    for (const auto& c : cases) {
        const std::string input = write("in.gif", c.gif);
        std::filesystem::remove(path("out.scr"));
        const ToolRun run = glimmer({"pack", input, "-o", path("out.scr")});
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << describe(run);
        EXPECT_EQ(exists("out.scr"), c.status == 0) << c.what;
        const std::string& said = c.status == 0 ? run.out : run.err;
        EXPECT_NE(said.find(c.said), std::string::npos) << c.what << "\n" << describe(run);
        if (c.status == 0 && *c.said == '\0')
            EXPECT_EQ(run.out.find("note:"), std::string::npos) << c.what << "\n" << describe(run);
        if (c.status == 2)
            EXPECT_NE(run.err.find(c.forceable ? "the saver cannot decode the picture of '" : "cut short"),
                      std::string::npos)
                << c.what;

        const ToolRun forced = glimmer({"pack", input, "-o", path("out.scr"), "--force"});
        const bool packs = c.status == 0 || c.forceable;
        EXPECT_EQ(forced.status, packs ? 0 : 2) << c.what << "\n" << describe(forced);
        if (c.forceable) {
            EXPECT_NE(forced.err.find("warning: the saver cannot decode"), std::string::npos) << c.what;
            EXPECT_EQ(read("out.scr").size(), 61440 + 392 + 1 + c.gif.size()) << c.what;
        }
    }
}

TEST_F(PackJudgement, StubWithExternalIsRefused)
{
    const std::string input = write("in.gif", buildGif(layoutOf(256, 8)));
    write("stub.exe", Bytes(61440, 'M'));
    const ToolRun run = glimmer({"pack", input, "-o", path("file.dat"), "--external", "--stub", path("stub.exe")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--stub and --external do not go together"), std::string::npos) << describe(run);
    EXPECT_FALSE(exists("file.dat"));
    EXPECT_EQ(glimmer({"pack", input, "-o", path("file.dat"), "--external"}).status, 0);
}
