// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer play: the saver window's key rule, and the refusal without a
// display. (The pointer rule is the saver's own, tested with it.) (The live window itself is checked end to end under Xvfb.)
#include "maker_test_support.h"

#include "environment_change.h"
#include "play_input.h"

using namespace makertest;

TEST(PlayKeys, EveryKeyEndsButAltAndF10Alone)
{
    EXPECT_TRUE(keyPressEnds(PressedKey::other));
    EXPECT_FALSE(keyPressEnds(PressedKey::alt));
    EXPECT_FALSE(keyPressEnds(PressedKey::f10));
}

TEST_F(MakerTest, PlayWithoutADisplayIsRefusedWithAdvice)
{
    write("picture.gif", giflibGif(GifShape{}, [](int x, int y) { return uint8_t(x + y); }));
    const EnvironmentChange display("DISPLAY", nullptr);
    const EnvironmentChange wayland("WAYLAND_DISPLAY", nullptr);
    const EnvironmentChange driver("SDL_VIDEODRIVER", nullptr);
    const ToolRun run = glimmer({"play", path("picture.gif"), "--seed", "1"});
    EXPECT_EQ(run.status, 2) << describe(run);
    EXPECT_NE(run.err.find("glimmer play: cannot open a window"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("glimmer preview INPUT -o preview.mp4"), std::string::npos) << run.err;
}

TEST_F(MakerTest, PlayRefusesWhatIsNoSaver)
{
    write("notes.txt", Bytes{'n', 'o'});
    const ToolRun run = glimmer({"play", path("notes.txt")});
    EXPECT_EQ(run.status, 2) << describe(run);
    EXPECT_NE(run.err.find("is neither a saver, a file.dat nor a GIF"), std::string::npos) << run.err;
    const ToolRun unknown = glimmer({"play", path("notes.txt"), "--windowed"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown option '--windowed'"), std::string::npos) << unknown.err;
}
