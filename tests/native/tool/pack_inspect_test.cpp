// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../gif_test_support.h"
#include "cli.h"
#include "tool_run.h"
#include "tool_test_folder.h"
#include "file_io.h"
#include "package/package_format.h"

namespace {

namespace fs = std::filesystem;

class PackInspect : public ToolFolderTest {
protected:
    void SetUp() override
    {
        ToolFolderTest::SetUp();
        // A stand-in program: the right size and signature is all pack needs.
        Bytes program(61440, 0);
        program[0] = 'M';
        program[1] = 'Z';
        program[61439] = 0xAB;
        write("stub.exe", program);
        // A 256 x 256 GIF the saver decodes: pack copies it unchanged (one it
        // could not decode would be refused).
        gif = giftest::gifOf(Bytes(256 * 256, 3), 256, 256, 8);
        write("picture.gif", gif);
    }
    Bytes gif;
};

}  // namespace

TEST_F(PackInspect, PackWritesProgramHeaderZeroAndPicture)
{
    const ToolRun run = glimmer({"pack", path("picture.gif"), "-o", path("out.scr"), "--stub", path("stub.exe")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes saver = read("out.scr");
    ASSERT_EQ(saver.size(), 61440 + 392 + 1 + gif.size());
    EXPECT_EQ(saver[61439], 0xAB);
    EXPECT_EQ(std::string(saver.begin() + 61440, saver.begin() + 61458), "GlimmerwheelStudio");
    EXPECT_EQ(saver[61832], 0);
    EXPECT_TRUE(std::equal(gif.begin(), gif.end(), saver.begin() + 61833));

    ImagePackage package;
    ASSERT_EQ(parsePackageHeader(saver.data() + 61440, 392, &package), 1);
    EXPECT_EQ(package.imageCount, 1);
    EXPECT_EQ(package.width[0], 256);
    EXPECT_EQ(package.height[0], 256);
    EXPECT_EQ(package.colourKey[0], 999);
    EXPECT_EQ(package.offset[0], 61833);
    EXPECT_EQ(package.length[0], int32_t(gif.size()));
    for (int record = 1; record < 5; ++record) {
        EXPECT_EQ(package.offset[record], int32_t(saver.size()));
        EXPECT_EQ(package.length[record], 0);
        EXPECT_EQ(package.colourKey[record], 999);
        EXPECT_EQ(package.kind[record], 'g');
    }
}

TEST_F(PackInspect, InspectJsonRoundTrip)
{
    ASSERT_EQ(glimmer({"pack", path("picture.gif"), "-o", path("out.scr"), "--stub", path("stub.exe")}).status, 0);
    const ToolRun run = glimmer({"inspect", path("out.scr"), "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string total = std::to_string(61440 + 392 + 1 + gif.size());
    EXPECT_EQ(run.out, "{\"imageCount\": 1, \"records\": [{\"width\": 256, \"height\": 256, \"colourKey\": 999, "
                       "\"offset\": 61833, \"length\": " +
                           std::to_string(gif.size()) +
                           ", \"kind\": \"g\"}, "
                           "{\"width\": 0, \"height\": 0, \"colourKey\": 999, \"offset\": " +
                           total + ", \"length\": 0, \"kind\": \"g\"}, " +
                           "{\"width\": 0, \"height\": 0, \"colourKey\": 999, \"offset\": " + total +
                           ", \"length\": 0, \"kind\": \"g\"}, " +
                           "{\"width\": 0, \"height\": 0, \"colourKey\": 999, \"offset\": " + total +
                           ", \"length\": 0, \"kind\": \"g\"}, " +
                           "{\"width\": 0, \"height\": 0, \"colourKey\": 999, \"offset\": " + total +
                           ", \"length\": 0, \"kind\": \"g\"}], "
                           "\"options\": [0, 0, 0, 0, 0, 0, 0, 0, 0, 0]}\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(PackInspect, ExternalPackageCountsFromByteZero)
{
    const ToolRun packed = glimmer({"pack", path("picture.gif"), "-o", path("file.dat"), "--external"});
    ASSERT_EQ(packed.status, 0) << packed.err;
    const Bytes data = read("file.dat");
    ASSERT_EQ(data.size(), 392 + 1 + gif.size());
    ImagePackage package;
    ASSERT_EQ(parsePackageHeader(data.data(), data.size(), &package), 1);
    EXPECT_EQ(package.offset[0], 393);
    EXPECT_EQ(package.offset[4], int32_t(data.size()));
    const ToolRun inspected = glimmer({"inspect", path("file.dat"), "--external"});
    EXPECT_EQ(inspected.status, 0);
    EXPECT_NE(inspected.out.find("393"), std::string::npos);
    EXPECT_EQ(glimmer({"inspect", path("file.dat")}).status, 0);  // found by its leading magic
}

TEST_F(PackInspect, InspectWarnsAboutRecordsOutsideTheFile)
{
    ASSERT_EQ(glimmer({"pack", path("picture.gif"), "-o", path("out.scr"), "--stub", path("stub.exe")}).status, 0);
    Bytes saver = read("out.scr");
    saver.resize(saver.size() - 10);  // record 0 now reaches past the end
    write("cut.scr", saver);
    const ToolRun run = glimmer({"inspect", path("cut.scr")});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("warning: record 0"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("warning: record 1"), std::string::npos) << run.err;

    Bytes overflow = read("out.scr");
    overflow[61440 + 22 + 12] = 0xFF;  // record 0 offset near INT32_MAX: offset + length overflows 32 bits
    overflow[61440 + 22 + 13] = 0xFF;
    overflow[61440 + 22 + 14] = 0xFF;
    overflow[61440 + 22 + 15] = 0x7F;
    write("overflow.scr", overflow);
    EXPECT_NE(glimmer({"inspect", path("overflow.scr")}).err.find("warning: record 0"), std::string::npos);
}

TEST_F(PackInspect, InspectRefusesWithStatusTwoAndNothingOnStdout)
{
    ASSERT_EQ(glimmer({"pack", path("picture.gif"), "-o", path("out.scr"), "--stub", path("stub.exe")}).status, 0);
    Bytes saver = read("out.scr");
    Bytes badMagic = saver;
    badMagic[61440 + 17] = 'x';
    write("bad.scr", badMagic);
    Bytes shortHeader(saver.begin(), saver.begin() + 61440 + 200);
    write("short.scr", shortHeader);
    for (const std::string& name : {"bad.scr", "short.scr", "stub.exe", "missing.scr"}) {
        const ToolRun run = glimmer({"inspect", path(name), "--json"});
        EXPECT_EQ(run.status, 2) << name;
        EXPECT_EQ(run.out, "") << name;
        EXPECT_NE(run.err, "") << name;
    }
}

TEST_F(PackInspect, PackRefusals)
{
    write("notgif.png", Bytes{0x89, 'P', 'N', 'G', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    const ToolRun notGif = glimmer({"pack", path("notgif.png"), "-o", path("a.scr"), "--stub", path("stub.exe")});
    EXPECT_EQ(notGif.status, 2);
    EXPECT_NE(notGif.err.find("not a GIF"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("a.scr")));

    const ToolRun self = glimmer({"pack", path("picture.gif"), "-o", path("picture.gif"), "--stub", path("stub.exe")});
    EXPECT_EQ(self.status, 2);
    EXPECT_EQ(read("picture.gif"), gif);

    write("badstub.exe", Bytes(1000, 'M'));
    EXPECT_EQ(glimmer({"pack", path("picture.gif"), "-o", path("b.scr"), "--stub", path("badstub.exe")}).status, 2);
    EXPECT_EQ(glimmer({"pack", path("missing.gif"), "-o", path("c.scr"), "--stub", path("stub.exe")}).status, 2);
    EXPECT_EQ(glimmer({"pack", path("picture.gif")}).status, 2);
    EXPECT_EQ(glimmer({"pack", path("picture.gif"), "-o", path("d.scr"), "--bogus"}).status, 2);
    EXPECT_EQ(glimmer({"frobnicate"}).status, 2);
    EXPECT_EQ(glimmer({}).status, 2);
    EXPECT_EQ(glimmer({"pack", "--help"}).status, 0);
}
