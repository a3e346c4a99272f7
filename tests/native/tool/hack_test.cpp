// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer play as an X screen-saver hack and glimmer install-hack, without a
// display: the frame's place and scaling in a window, colours packed for a
// visual, the hack options and the files install-hack writes. (The hack
// drawing into a live window is checked end to end under Xvfb.)
#include "maker_test_support.h"

#include <sys/stat.h>

#include <array>
#include <optional>

#include "environment_change.h"
#include "hack_files.h"
#include "play_hack.h"
#include "window_frame.h"

using namespace makertest;

namespace {

std::string text(const Bytes& bytes)
{
    return {bytes.begin(), bytes.end()};
}

}  // namespace

TEST(HackFrame, PlacesTheFrameByWholePixelsOrShrinksIt)
{
    struct Case {
        int windowWidth, windowHeight, x, y, width, height;
    };
    for (const Case& c : {Case{640, 480, 0, 0, 640, 480}, Case{1920, 1080, 320, 60, 1280, 960},
                          Case{1280, 960, 0, 0, 1280, 960}, Case{1279, 960, 319, 240, 640, 480},
                          Case{2560, 1440, 320, 0, 1920, 1440}, Case{700, 500, 30, 10, 640, 480},
                          Case{400, 400, 0, 50, 400, 300}, Case{320, 100, 93, 0, 133, 100},
                          Case{1, 1, 0, 0, 1, 0}, Case{639, 10000, 0, 4760, 639, 479},
                          Case{5120, 2880, 640, 0, 3840, 2880},
                          Case{32767, 32767, 14463, 14943, 3840, 2880}, Case{0, 480, 0, 0, 0, 0}, Case{640, -1, 0, 0, 0, 0}}) {
        const FramePlacement p = placeFrame(c.windowWidth, c.windowHeight);
        EXPECT_EQ(std::tuple(p.x, p.y, p.width, p.height), std::tuple(c.x, c.y, c.width, c.height))
            << c.windowWidth << " x " << c.windowHeight;
    }
}

TEST(HackFrame, PacksColoursForTheVisualsMasks)
{
    const PaletteEntry colour{0xF8, 0x84, 0x21, 0};
    EXPECT_EQ(packedColour(colour, 0xFF0000, 0x00FF00, 0x0000FF), 0xF88421u);
    EXPECT_EQ(packedColour(colour, 0x0000FF, 0x00FF00, 0xFF0000), 0x2184F8u);
    // 5-6-5: the top bits of each channel.
    EXPECT_EQ(packedColour(colour, 0xF800, 0x07E0, 0x001F), uint32_t(0x1F << 11 | 0x21 << 5 | 0x04));
    // 10 bits a channel: white fills each one.
    EXPECT_EQ(packedColour({255, 255, 255, 0}, 0x3FF00000, 0x000FFC00, 0x000003FF), 0x3FFFFFFFu);
}

TEST(HackFrame, ScalesByRepeatingOrSkippingPixels)
{
    std::vector<uint8_t> frame(static_cast<size_t>(frameBytes));
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < frameWidth; ++x)
            frame[size_t(y * frameWidth + x)] = uint8_t(x * 3 + y * 7);
    std::array<uint32_t, 256> colours{};
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = uint32_t(i) * 0x010101u;
    const auto frameAt = [&](int x, int y) { return colours[frame[size_t(y * frameWidth + x)]]; };

    // Twice as large, in a buffer wider than the frame (the pitch).
    std::vector<uint32_t> large(1300 * 960, 0xDEADu);
    drawFrameScaled(frame, colours, {0, 0, 1280, 960}, large.data(), 1300);
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 1}, {2, 0}, {1279, 959}, {641, 479}, {777, 3}})
        EXPECT_EQ(large[size_t(y * 1300 + x)], frameAt(x / 2, y / 2)) << x << ", " << y;
    EXPECT_EQ(large[1280], 0xDEADu) << "nothing beyond the placement's width";

    // Shrunk to 400 x 300: pixel x takes frame column x * 640 / 400.
    std::vector<uint32_t> small(400 * 300);
    drawFrameScaled(frame, colours, {0, 50, 400, 300}, small.data(), 400);
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 1}, {399, 299}, {200, 150}, {5, 8}})
        EXPECT_EQ(small[size_t(y * 400 + x)], frameAt(x * 640 / 400, y * 480 / 300)) << x << ", " << y;
}

TEST(HackOptions, ReadsWindowIdsAsXToolsPrintThem)
{
    EXPECT_EQ(parseWindowId("0x1a00007", "id"), 0x1a00007ul);
    EXPECT_EQ(parseWindowId("0X1A00007", "id"), 0x1a00007ul);
    EXPECT_EQ(parseWindowId("27262983", "id"), 27262983ul);
    EXPECT_EQ(parseWindowId("0x1FFFFFFF", "id"), 0x1FFFFFFFul);
    for (const char* bad : {"", "0", "0x", "0x0", "0x20000000", "-5", "12ab", "0x1g", "99999999999", " 5", "0x1a00007 "}) {
        try {
            parseWindowId(bad, "--window-id");
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const CommandError& error) {
            EXPECT_NE(error.message.find("--window-id is '"), std::string::npos) << error.message;
            EXPECT_NE(error.message.find("not a window id"), std::string::npos) << error.message;
        }
    }
}

TEST(HackOptions, TheWindowComesFromTheOptionTheDaemonOrTheRoot)
{
    {
        const EnvironmentChange unset("XSCREENSAVER_WINDOW", nullptr);
        EXPECT_FALSE(hackWindowOf(std::nullopt, false, false));
        EXPECT_EQ(hackWindowOf(std::nullopt, true, false)->id, 0ul);
        EXPECT_EQ(hackWindowOf("0x400001", false, false)->id, 0x400001ul);
        EXPECT_FALSE(hackWindowOf(std::nullopt, false, true));
    }
    const EnvironmentChange daemon("XSCREENSAVER_WINDOW", "0x600002");
    EXPECT_EQ(hackWindowOf(std::nullopt, false, false)->id, 0x600002ul);
    EXPECT_EQ(hackWindowOf(std::nullopt, true, false)->id, 0x600002ul) << "-root means the daemon's window";
    EXPECT_EQ(hackWindowOf("0x400001", true, false)->id, 0x400001ul) << "--window-id comes first";
    EXPECT_FALSE(hackWindowOf(std::nullopt, false, true)) << "--window opens play's own";
}

TEST(HackOptions, TakesXScreenSaverSpellingsUpToTheEndOfOptions)
{
    const std::string_view values[] = {"--seed", "--window-id"};
    const std::vector<std::string> words = {"a.scr", "-root", "-window-id", "0x5", "-window", "--seed",
                                            "-root", "--",     "-window"};
    EXPECT_EQ(withHackSpellings(words, values),
              (std::vector<std::string>{"a.scr", "--root", "--window-id", "0x5", "--window", "--seed", "-root", "--",
                                        "-window"}));
}

TEST_F(MakerTest, PlayRefusesMixedOrBadHackOptions)
{
    write("picture.gif", giflibGif(GifShape{}, [](int x, int y) { return uint8_t(x ^ y); }));
    const EnvironmentChange unset("XSCREENSAVER_WINDOW", nullptr);
    const struct {
        std::vector<std::string> options;
        std::string message;
    } cases[] = {
        {{"--root", "--window-id", "0x5"}, "--window-id, --root and --window each name where to draw"},
        {{"-root", "-window"}, "--window-id, --root and --window each name where to draw"},
        {{"--root", "--fullscreen"}, "--fullscreen is for play's own window"},
        {{"-window-id", "window"}, "--window-id is 'window', not a window id"},
        {{"--fps", "0"}, "--fps"},
        {{"--fps", "1001"}, "--fps"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words = {"play", path("picture.gif"), "--seed", "1"};
        words.insert(words.end(), c.options.begin(), c.options.end());
        const ToolRun run = glimmer(words);
        EXPECT_EQ(run.status, 2) << describe(run);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    {
        // The hack needs an X display of its own: no SDL driver stands in.
        const EnvironmentChange noDisplay("DISPLAY", nullptr);
        const ToolRun run = glimmer({"play", path("picture.gif"), "--root"});
        EXPECT_EQ(run.status, 2) << describe(run);
        EXPECT_NE(run.err.find("cannot open the display (DISPLAY is not set)"), std::string::npos) << run.err;
    }
    const EnvironmentChange daemon("XSCREENSAVER_WINDOW", "nonsense");
    const ToolRun run = glimmer({"play", path("picture.gif")});
    EXPECT_EQ(run.status, 2) << describe(run);
    EXPECT_NE(run.err.find("XSCREENSAVER_WINDOW is 'nonsense'"), std::string::npos) << run.err;
}

TEST(HackFiles, QuotesForTheShellAndForXml)
{
    EXPECT_EQ(shellQuoted("/home/a b/x.scr"), "'/home/a b/x.scr'");
    EXPECT_EQ(shellQuoted("it's $HOME `x`"), "'it'\\''s $HOME `x`'");
    EXPECT_EQ(shellQuoted(""), "''");
    EXPECT_EQ(xmlText("Tom & Jerry's <\"best\">"), "Tom &amp; Jerry&apos;s &lt;&quot;best&quot;&gt;");
    EXPECT_EQ(xmlText("Caf\xC3\xA9 \xE2\x82\xAC"), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(xmlText("a\nb\x01" "c\x7F"), "a?b?c?");
    EXPECT_EQ(xmlText("bad \xC3 \xFF \xC0\x80 \xED\xA0\x80 \xF4\x90\x80\x80"), "bad ? ? ?? ??? ????");
}

TEST(HackFiles, TheLauncherRunsPlayOnTheSaverWithTheDaemonsArguments)
{
    const std::string launcher = hackLauncher("/opt/g limmer/glimmer", "/home/me/it's.scr", "Holiday\nrm -rf /");
    EXPECT_EQ(launcher.rfind("#!/bin/sh\n", 0), 0u);
    EXPECT_NE(launcher.find("\nexec '/opt/g limmer/glimmer' play '/home/me/it'\\''s.scr' \"$@\"\n"), std::string::npos)
        << launcher;
    EXPECT_NE(launcher.find("\"Holiday?rm -rf /\""), std::string::npos) << "a name cannot break out of its comment";
}

TEST(HackFiles, TheDescriptionNamesTheHackTheSaverAndItsOptions)
{
    const std::string xml = hackDescription("Tom & Jerry");
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
    for (const char* part : {"<screensaver name=\"glimmerwheel\" _label=\"Glimmerwheel: Tom &amp; Jerry\">",
                             "<command arg=\"--root\"/>", "arg=\"--seed %\"", "low=\"0\" high=\"4294967295\" default=\"0\"",
                             "arg=\"--fps %\"", "low=\"5\" high=\"60\" default=\"60\"", "<_description>",
                             "</screensaver>\n"})
        EXPECT_NE(xml.find(part), std::string::npos) << part;
}

TEST_F(MakerTest, InstallHackWritesTheThreeFilesAndKeepsEarlierOnes)
{
    const std::string saver = write("Holiday.gif", giflibGif(GifShape{}, [](int x, int y) { return uint8_t(x + y); }));
    const std::string folder = path("hack");
    const ToolRun run = glimmer({"install-hack", saver, "--dir", folder});
    ASSERT_EQ(run.status, 0) << describe(run);
    EXPECT_EQ(read("hack/glimmerwheel.scr"), read("Holiday.gif"));
    EXPECT_NE(text(read("hack/glimmerwheel.xml")).find("_label=\"Glimmerwheel: Holiday\""), std::string::npos);
    const std::string launcher = text(read("hack/glimmerwheel"));
    EXPECT_NE(launcher.find(" play " + shellQuoted(folder + "/glimmerwheel.scr") + " \"$@\"\n"), std::string::npos)
        << launcher;
    struct stat status {};
    ASSERT_EQ(stat(path("hack/glimmerwheel").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0755u);
    EXPECT_NE(run.out.find("\"Glimmerwheel: Holiday\"  " + folder + "/glimmerwheel --root  \\n\\\n"), std::string::npos)
        << run.out;

    write("Other.gif", giflibGif(GifShape{}, [](int x, int y) { return uint8_t(x * y); }));
    const ToolRun again = glimmer({"install-hack", path("Other.gif"), "--dir", folder});
    EXPECT_EQ(again.status, 2) << describe(again);
    EXPECT_NE(again.err.find("exists (an earlier install-hack?): give --replace"), std::string::npos) << again.err;
    EXPECT_EQ(read("hack/glimmerwheel.scr"), read("Holiday.gif"));
    const ToolRun replaced = glimmer({"install-hack", path("Other.gif"), "--dir", folder, "--replace"});
    EXPECT_EQ(replaced.status, 0) << describe(replaced);
    EXPECT_EQ(read("hack/glimmerwheel.scr"), read("Other.gif"));
}

TEST_F(MakerTest, InstallHackRefusesWhatPlayCouldNotShow)
{
    write("notes.txt", Bytes{'n', 'o'});
    const ToolRun run = glimmer({"install-hack", path("notes.txt"), "--dir", path("hack")});
    EXPECT_EQ(run.status, 2) << describe(run);
    EXPECT_NE(run.err.find("is neither a saver, a file.dat nor a GIF"), std::string::npos) << run.err;
    EXPECT_FALSE(exists("hack"));
    const ToolRun empty = glimmer({"install-hack", path("notes.txt"), "--dir", ""});
    EXPECT_EQ(empty.status, 2);
    EXPECT_NE(empty.err.find("--dir needs a folder's name"), std::string::npos) << empty.err;
}
