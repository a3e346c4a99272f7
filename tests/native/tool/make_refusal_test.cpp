// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer make refuses, with exit status 2 and a message, what it cannot make
// a saver of, and never writes over its input.
#include "maker_test_support.h"

using namespace makertest;

namespace {

class MakeRefusal : public MakerTest {
protected:
    void SetUp() override
    {
        MakerTest::SetUp();
        picture = encodeWithStb(PictureFormat::png, rgbPicture(64, 48, [](int x, int y) { return uint32_t(x * 4000 + y); }));
        write("picture.png", picture);
    }

    // Expects a refusal whose message holds `message`, and no output file.
    void expectRefused(const std::vector<std::string>& words, const std::string& message)
    {
        const ToolRun run = glimmer(words);
        EXPECT_EQ(run.status, 2) << describe(run);
        EXPECT_NE(run.err.find("glimmer make: "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_FALSE(exists("out.scr"));
        EXPECT_FALSE(exists("out.scr.part"));
    }

    Bytes picture;
};

}  // namespace

TEST_F(MakeRefusal, OutputEqualToInput)
{
    expectRefused({"make", path("picture.png"), "-o", path("picture.png")}, "is the input itself");
    EXPECT_EQ(read("picture.png"), picture);
    // The same file by another name.
    fs::create_directories(directory / "sub");
    expectRefused({"make", path("picture.png"), "-o", path("sub/../picture.png")}, "is the input itself");
    EXPECT_EQ(read("picture.png"), picture);
}

TEST_F(MakeRefusal, MissingInput)
{
    expectRefused({"make", path("nothing.png"), "-o", path("out.scr")}, "cannot open");
}

TEST_F(MakeRefusal, NotAPicture)
{
    write("notes.txt", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
    expectRefused({"make", path("notes.txt"), "-o", path("out.scr")},
                  "is not a picture the maker can read; savers are made from GIF, PNG, JPEG, BMP, TGA and WebP pictures");
}

TEST_F(MakeRefusal, AFormatOfAnotherKind)
{
    write("layers.psd", Bytes{'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 16, 0, 0, 0, 16, 0, 8});
    expectRefused({"make", path("layers.psd"), "-o", path("out.scr")}, "is a Photoshop file");
    write("grey.pgm", Bytes{'P', '5', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 7});
    expectRefused({"make", path("grey.pgm"), "-o", path("out.scr")}, "is a PNM file");
}

TEST_F(MakeRefusal, ASaverIsNotAPicture)
{
    ASSERT_EQ(glimmer({"make", path("picture.png"), "-o", path("first.scr")}).status, 0);
    expectRefused({"make", path("first.scr"), "-o", path("out.scr")}, "a saver or package, not a picture");
}

TEST_F(MakeRefusal, ATruncatedPicture)
{
    write("cut.png", Bytes(picture.begin(), picture.begin() + 60));
    expectRefused({"make", path("cut.png"), "-o", path("out.scr")}, "cannot read the PNG picture");
    const Bytes jpeg = encodeWithStb(PictureFormat::jpeg, rgbPicture(64, 64, [](int x, int) { return uint32_t(x); }));
    write("cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + 30));
    expectRefused({"make", path("cut.jpg"), "-o", path("out.scr")}, "cannot read the JPEG picture");
}

TEST_F(MakeRefusal, BadOptions)
{
    expectRefused({"make", path("picture.png")}, "say where to write the saver with -o OUT.scr");
    expectRefused({"make", path("picture.png"), "-o", path("out.scr"), "--fit", "fill"},
                  "--fit takes cover, contain, stretch or none, not 'fill'");
    expectRefused({"make", path("picture.png"), "-o", path("out.scr"), "--dither", "1.5"}, "--dither takes a number");
    expectRefused({"make", path("picture.png"), "-o", path("out.scr"), "--dither", "much"}, "--dither takes a number");
    expectRefused({"make", path("picture.png"), "-o", path("out.scr"), "--sharpen"}, "unknown option '--sharpen'");
    expectRefused({"make", path("picture.png"), "-o", path("out.scr"), "--external", "--stub", path("x.exe")},
                  "--external writes a file.dat without a program");
    expectRefused({"make", "-o", path("out.scr")}, "usage: glimmer make PICTURE -o OUT.scr");
}

TEST_F(MakeRefusal, AStubThatIsNoSaverProgram)
{
    write("small.exe", Bytes{'M', 'Z', 0, 0});
    expectRefused({"make", path("picture.png"), "-o", path("out.scr"), "--stub", path("small.exe")},
                  "is not a padded saver program of 61440 bytes");
}

TEST_F(MakeRefusal, AnUnwritableOutput)
{
    expectRefused({"make", path("picture.png"), "-o", path("no/such/folder/out.scr")}, "cannot write");
}
