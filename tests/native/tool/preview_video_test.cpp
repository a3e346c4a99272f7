// SPDX-License-Identifier: GPL-3.0-or-later
// glimmer preview -o NAME.mp4 / NAME.webm: read back with Debian's ffprobe and
// ffmpeg, frame for frame against the saver's own frames.
#include "preview_test_support.h"

#include <cmath>
#include <cstdio>

#include "preview_video.h"

using namespace makertest;

namespace {

const std::string defaultPicture = GLIMMER_TEST_DATA "/../../assets/glimmerwheel.gif";

// What a shell command prints on stdout, and its exit status.
struct CommandResult {
    int status;
    std::string out;
};

CommandResult runCommand(const std::string& command)
{
    CommandResult result{-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[1 << 16];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, count);
    result.status = pclose(pipe);
    return result;
}

// PSNR of a decoded frame's luma (full range, as ffmpeg gives it for "gray")
// against the BT.709 luma of the saver's frame of palette indices. Luma, since
// 4:2:0 video keeps colour at a quarter of the pixels by design.
double lumaPsnr(const std::string& gray, size_t offset, const Bytes& indices, const std::vector<PaletteEntry>& colours)
{
    double squares = 0;
    for (size_t i = 0; i < indices.size(); ++i) {
        const PaletteEntry& colour = colours[indices[i]];
        const double expected = 0.2126 * colour.red + 0.7152 * colour.green + 0.0722 * colour.blue;
        const double difference = double(uint8_t(gray[offset + i])) - expected;
        squares += difference * difference;
    }
    const double mean = squares / double(indices.size());
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

// The top-level boxes of an MP4, in order.
std::vector<std::string> boxesOf(const Bytes& file)
{
    std::vector<std::string> boxes;
    for (size_t at = 0; at + 8 <= file.size();) {
        const uint64_t size = uint64_t(file[at]) << 24 | uint64_t(file[at + 1]) << 16 | uint64_t(file[at + 2]) << 8 |
                              file[at + 3];
        boxes.emplace_back(file.begin() + long(at) + 4, file.begin() + long(at) + 8);
        if (size < 8)
            break;
        at += size;
    }
    return boxes;
}

class PreviewVideo : public PreviewTest {
protected:
    void SetUp() override
    {
        MakerTest::SetUp();
        usePicture(readWholeFile(defaultPicture));
    }
};

}  // namespace

TEST_F(PreviewVideo, FramesSizeAndRateAsAskedAndCloseToTheSaversFrames)
{
    const struct {
        const char* name;
        const char* fps;
        int frames;
        const char* probed;  // codec, size, pixel format, rate, frames counted
    } cases[] = {
        {"a.mp4", "50", 40, "h264,640,480,yuv420p,50/1,40"},
        {"b.webm", "24", 30, "vp9,640,480,yuv420p,24/1,30"},
        {"c.MP4", "1", 3, "h264,640,480,yuv420p,1/1,3"},
        {"d.webm", "120", 5, "vp9,640,480,yuv420p,120/1,5"},
    };
    const auto colours = saverColours(gif);
    for (const auto& c : cases) {
        const ToolRun run = glimmer({"preview", path("picture.gif"), "--seed", "5", "--frames",
                                     std::to_string(c.frames), "--fps", c.fps, "-o", path(c.name)});
        ASSERT_EQ(run.status, 0) << c.name << "\n" << describe(run);
        EXPECT_EQ(run.out, "drew " + std::to_string(c.frames) + " frames of " + path("picture.gif") +
                               " with seed 5; wrote " + path(c.name) + " (all frames, " + c.fps + " a second)\n");
        const CommandResult probe = runCommand(
            "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_read_frames -of csv=p=0 " + path(c.name));
        ASSERT_EQ(probe.status, 0) << c.name;
        EXPECT_EQ(probe.out, std::string(c.probed) + "\n") << c.name;

        const CommandResult decoded = runCommand("ffmpeg -v error -i " + path(c.name) + " -f rawvideo -pix_fmt gray -");
        ASSERT_EQ(decoded.status, 0) << c.name;
        const size_t frameSize = size_t(frameBytes);
        ASSERT_EQ(decoded.out.size(), frameSize * size_t(c.frames)) << c.name;
        const auto frames = saverFrames(5, c.frames);
        for (const int k : {0, c.frames / 2, c.frames - 1})
            EXPECT_GE(lumaPsnr(decoded.out, frameSize * size_t(k), frames[size_t(k)], colours), 30.0)
                << c.name << " frame " << k + 1;
    }
    // The MP4 keeps its index before its frames, so that it plays while it loads.
    const auto boxes = boxesOf(read("a.mp4"));
    const auto mdat = std::find(boxes.begin(), boxes.end(), "mdat");
    ASSERT_NE(mdat, boxes.end());
    EXPECT_LT(std::find(boxes.begin(), boxes.end(), "moov"), mdat);
    EXPECT_EQ(boxes.front(), "ftyp");
}

TEST_F(PreviewVideo, FpsSetsTheGifsDelay)
{
    ASSERT_EQ(glimmer({"preview", path("picture.gif"), "--seed", "2", "--frames", "3", "--fps", "25", "-o",
                       path("slow.gif")}).status, 0);
    const SlurpedGif animation = slurpGif(read("slow.gif"));
    ASSERT_TRUE(animation.read);
    EXPECT_EQ(animation.delays, (std::vector<int>{4, 4, 4}));
}

TEST_F(PreviewVideo, Refusals)
{
    const std::string picture = path("picture.gif");
    write("kept.mp4", {'k', 'e', 'p', 't'});
    const struct {
        std::vector<std::string> words;
        const char* message;
    } cases[] = {
        {{"preview", picture, "--fps", "0", "-o", path("kept.mp4")}, "--fps takes a whole number from 1 to 120"},
        {{"preview", picture, "--fps", "121", "-o", path("kept.mp4")}, "--fps takes a whole number from 1 to 120"},
        {{"preview", picture, "--fps", "2.5", "-o", path("kept.mp4")}, "--fps takes a whole number"},
        {{"preview", picture, "--fps", "30", "-o", path("a.gif")},
         "--fps 30 cannot be kept in a GIF, whose delays are in hundredths of a second"},
        {{"preview", picture, "--fps", "100", "-o", path("a.gif")}, "--fps 100 cannot be kept in a GIF"},
        {{"preview", picture, "--fps", "25", "-o", path("a.png")}, "--fps sets the frame rate of a .gif, .mp4 or .webm"},
        {{"preview", picture, "--fps", "25"}, "--fps sets the frame rate"},
        {{"preview", picture, "-o", path("a.mkv")}, "-o names the file by its ending: .gif, .mp4 or .webm"},
        {{"preview", picture, "-o", path("picture.gif.mp4"), "--frames", "0"}, "--frames takes a whole number from 1"},
    };
    for (const auto& c : cases)
        expectRefused(c.words, c.message);
    EXPECT_EQ(read("kept.mp4"), (Bytes{'k', 'e', 'p', 't'}));
    EXPECT_FALSE(exists("a.gif") || exists("a.png") || exists("a.mkv"));
}

TEST_F(PreviewVideo, AMissingEncoderIsNamed)
{
    try {
        requireEncoderNamed("libnothing", "a test video", "x.mp4");
        ADD_FAILURE() << "no refusal";
    } catch (const CommandError& error) {
        EXPECT_EQ(error.message, "cannot write 'x.mp4': the FFmpeg this glimmer is built with has no libnothing "
                                 "encoder, which a test video needs (Debian's libavcodec59 has it)");
    }
}
