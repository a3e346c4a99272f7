// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer --help and COMMAND --help describe make, preview, play and serve
// and every option they take.
#include "maker_test_support.h"

using namespace makertest;

TEST(MakerHelp, ToolHelpListsTheCommands)
{
    const ToolRun run = glimmer({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* command : {"make", "preview", "play", "serve", "install-hack"})
        EXPECT_NE(run.out.find(std::string("  ") + command + " "), std::string::npos) << command;
    // Every summary starts in one column, past the longest name.
    EXPECT_NE(run.out.find("\n  play          shows a saver live"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n  install-hack  installs a saver"), std::string::npos) << run.out;
}

TEST(MakerHelp, EachCommandDescribesEveryOption)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
        {"make", {"-o OUT", "--fit MODE", "cover", "contain", "stretch", "none", "--dither D", "--reencode",
                  "--external", "--stub FILE"}},
        {"preview", {"--seed S", "--frames N", "-o OUT", ".gif", ".png", ".pgm", "--trace"}},
        {"play", {"--seed S", "--fullscreen", "--fps N", "--window-id ID", "--root", "--window"}},
        {"install-hack", {"--dir DIR", "--replace"}},
        {"serve", {"--port N", "--bind ADDR", "--site DIR"}},
    };
    for (const auto& [command, options] : commands) {
        const ToolRun run = glimmer({command, "--help"});
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_EQ(run.out.rfind("usage: glimmer " + command, 0), 0u) << run.out;
        for (const auto& option : options)
            EXPECT_NE(run.out.find("  " + option + " "), std::string::npos) << command << " " << option;
    }
}
