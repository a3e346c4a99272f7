// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs that are not files of a saver or picture at all: what inspect and
// decode answer for a missing file, a folder, an empty file and a file of
// more than 1 GiB (which would otherwise be read into memory whole).
#include <unistd.h>

#include "robustness_support.h"

using namespace robustness;

TEST_F(ToolFiles, InputsThatAreNoSaverOrPicture)
{
    std::filesystem::create_directories(path("folder.scr"));
    write("empty.scr", {});
    {
        // A sparse file: its size costs no disk space.
        std::ofstream(path("huge.scr"), std::ios::binary).put('G');
        ASSERT_EQ(::truncate(path("huge.scr").c_str(), (off_t(1) << 30) + 1), 0);
    }
    const struct {
        const char* name;
        const char* inspectMessage;
        const char* decodeMessage;
    } cases[] = {
        {"missing.scr", "cannot open '", "cannot open '"},
        {"folder.scr", "is a directory, not a file", "is a directory, not a file"},
        {"empty.scr", "holds no package: it ends before byte 61458", "is neither a GIF"},
        {"huge.scr", "is larger than 1 GiB; glimmer reads no saver or picture that large",
         "is larger than 340 MB, more than the memory glimmer decode may use for a saver or GIF"},
    };
    for (const auto& c : cases) {
        const ToolRun inspected = glimmer({"inspect", path(c.name)});
        EXPECT_EQ(inspected.status, 2) << c.name;
        EXPECT_NE(inspected.err.find(c.inspectMessage), std::string::npos) << c.name << "\n" << describe(inspected);
        EXPECT_EQ(inspected.out, "") << c.name;
        const ToolRun decoded = glimmer({"decode", path(c.name), "-o", path("out.pgm")});
        EXPECT_EQ(decoded.status, 2) << c.name;
        EXPECT_NE(decoded.err.find(c.decodeMessage), std::string::npos) << c.name << "\n" << describe(decoded);
        EXPECT_EQ(decoded.out, "") << c.name;
        EXPECT_FALSE(exists("out.pgm")) << c.name;
    }
}

// Outputs that cannot be written are refused before any work is done: no
// trace printed, no file made, the folder named as given left alone.
TEST_F(ToolFiles, OutputsThatCannotBeWritten)
{
    const std::string saver = write("good.scr", saverOf(pictureGif()));
    const std::string gif = write("good.gif", pictureGif());
    std::filesystem::create_directories(path("taken.png"));
    const struct {
        const char* output;
        const char* message;
    } outputs[] = {
        {"no/such/folder/out.png", "': there is no folder '"},
        {"taken.png", "': it is a directory"},
    };
    for (const auto& o : outputs) {
        const std::vector<std::vector<std::string>> commands = {
            {"preview", saver, "--trace", "--frames", "5", "-o", path(o.output)},
            {"decode", saver, "-o", path(o.output)},
            {"make", gif, "-o", path(o.output)},
            {"pack", gif, "-o", path(o.output)},
        };
        for (const auto& words : commands) {
            const ToolRun run = glimmer(words);
            EXPECT_EQ(run.status, 2) << words[0] << " " << o.output;
            EXPECT_NE(run.err.find("cannot write '" + path(o.output) + o.message), std::string::npos)
                << words[0] << " " << o.output << "\n" << describe(run);
            EXPECT_EQ(run.out, "") << words[0] << " " << o.output;
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(path("taken.png")));
    EXPECT_FALSE(exists("no"));
}
