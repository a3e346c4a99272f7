// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>
#include <unistd.h>

#include "commands.h"
#include "file_io.h"
#include "output_file.h"
#include "preview_output.h"
#include "preview_video.h"
#include "saver_startup.h"
#include "seed_option.h"

namespace {

constexpr std::string_view previewUsage =
    "glimmer preview INPUT [--seed S] [--frames N] [--fps F] [-o OUT] [--trace]";
constexpr int64_t defaultFrames = 300;
// 2/100 s a frame, the shortest GIF delay that browsers honour.
constexpr int64_t defaultFramesPerSecond = 50;
constexpr int64_t mostFramesPerSecond = 120;

enum class OutputKind { gif, png, pgm, mp4, webm };

bool isVideo(std::optional<OutputKind> kind)
{
    return kind == OutputKind::mp4 || kind == OutputKind::webm;
}

OutputKind outputKindOf(const std::string& path)
{
    std::string ending = std::filesystem::path(path).extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (ending == ".gif")
        return OutputKind::gif;
    if (ending == ".png")
        return OutputKind::png;
    if (ending == ".pgm")
        return OutputKind::pgm;
    if (ending == ".mp4")
        return OutputKind::mp4;
    if (ending == ".webm")
        return OutputKind::webm;
    fail("-o names the file by its ending: .gif, .mp4 or .webm (all frames), .png or .pgm (the last frame), not " +
         quotedName(path));
}

// A GIF gives each frame a delay in hundredths of a second, and browsers
// slow down any delay under 2.
int gifDelayFor(int64_t framesPerSecond)
{
    if (framesPerSecond > 50 || 100 % framesPerSecond != 0)
        fail("--fps " + std::to_string(framesPerSecond) +
             " cannot be kept in a GIF, whose delays are in hundredths of a second: take 1, 2, 4, 5, 10, 20, 25 "
             "or 50, or write a .mp4 or .webm");
    return int(100 / framesPerSecond);
}

// The call number and the ten motion values after that call.
void appendTraceLine(std::string& text, int64_t call, const MotionState& motion)
{
    const int64_t values[] = {call,          motion.angle,        motion.spinStep,   motion.zoom,
                              motion.zoomStep, motion.panU,       motion.panV,       motion.driftHeading,
                              motion.driftSpeed, motion.frameCounter, motion.headingHold};
    char line[11 * 21];
    char* position = line;
    for (size_t i = 0; i < std::size(values); ++i) {
        if (i)
            *position++ = ' ';
        position = std::to_chars(position, line + sizeof line, values[i]).ptr;
    }
    *position++ = '\n';
    text.append(line, position);
}

// A bar on the terminal, redrawn at most a hundred times, shown only once the
// render has taken a moment.
class ProgressBar {
public:
    ProgressBar(std::ostream& stream, bool shown, int64_t total)
        : stream_(stream), shown_(shown), total_(total), start_(std::chrono::steady_clock::now())
    {
    }
    ~ProgressBar() { clear(); }
    void clear()
    {
        if (drawn_)
            stream_ << "\r" << std::string(60, ' ') << "\r" << std::flush;
        drawn_ = false;
    }
    void update(int64_t done)
    {
        if (!shown_)
            return;
        const int percent = int(done * 100 / total_);
        if (percent == lastPercent_)
            return;
        if (!drawn_ && std::chrono::steady_clock::now() - start_ < std::chrono::milliseconds(300))
            return;
        lastPercent_ = percent;
        drawn_ = true;
        const int filled = percent * 30 / 100;
        stream_ << "\r[" << std::string(size_t(filled), '#') << std::string(size_t(30 - filled), ' ') << "] "
                << percent << "% frame " << done << "/" << total_ << std::flush;
    }

private:
    std::ostream& stream_;
    bool shown_;
    int64_t total_;
    std::chrono::steady_clock::time_point start_;
    int lastPercent_ = -1;
    bool drawn_ = false;
};

}  // namespace

int runPreviewCommand(std::span<const std::string> words, Console& console)
{
    Arguments arguments(words, {"--seed", "--frames", "--fps", "-o"}, {"--trace"}, previewUsage);
    const uint32_t seed = takeSeed(arguments);
    const int64_t frames = arguments.takeInteger("--frames", 1, 1'000'000'000).value_or(defaultFrames);
    const auto framesPerSecondGiven = arguments.takeInteger("--fps", 1, mostFramesPerSecond);
    const int64_t framesPerSecond = framesPerSecondGiven.value_or(defaultFramesPerSecond);
    const auto output = arguments.takeValue("-o");
    const bool trace = arguments.takeFlag("--trace");
    const auto inputs = arguments.positionals(1);
    const std::string& input = inputs[0];
    std::optional<OutputKind> kind;
    std::optional<OutputFile> outputFile;
    if (output)
        kind = outputKindOf(*output);
    if (framesPerSecondGiven && kind != OutputKind::gif && !isVideo(kind))
        fail("--fps sets the frame rate of a .gif, .mp4 or .webm output");
    const int gifFrameDelay = kind == OutputKind::gif ? gifDelayFor(framesPerSecond) : 0;
    if (isVideo(kind))
        requireVideoEncoder(kind == OutputKind::mp4 ? VideoFormat::mp4 : VideoFormat::webm, *output);
    if (output)
        outputFile.emplace(*output, inputs);

    const Bytes file = readWholeFile(input);
    const SaverPicture picture = loadSaverPicture(file, input);
    for (const auto& warning : picture.warnings)
        console.err << "warning: " << warning << "\n";

    const auto run = startSaverEffect(picture, seed);
    const std::span<const uint8_t> frame(run->frameBuffer, frameBytes);
    std::optional<AnimatedGifWriter> animation;
    std::optional<VideoWriter> video;
    if (kind == OutputKind::gif)
        animation.emplace(*outputFile, *output, picture.palette, frameWidth, frameHeight, gifFrameDelay);
    else if (isVideo(kind))
        video.emplace(*outputFile, *output, kind == OutputKind::mp4 ? VideoFormat::mp4 : VideoFormat::webm,
                      picture.palette, frameWidth, frameHeight, int(framesPerSecond));

    ProgressBar progress(console.err, &console.err == &std::cerr && isatty(STDERR_FILENO), frames);
    std::string traceText;
    for (int64_t call = 1; call <= frames; ++call) {
        stepSaverEffect(*run, picture);
        if (trace) {
            appendTraceLine(traceText, call, run->motionState);
            if (traceText.size() > (1 << 16)) {
                console.out << traceText;
                traceText.clear();
            }
        }
        if (animation)
            animation->addFrame(frame);
        if (video)
            video->addFrame(frame);
        progress.update(call);
    }
    console.out << traceText;
    progress.clear();

    if (animation)
        animation->finish();
    else if (video)
        video->finish();
    else if (kind == OutputKind::png)
        outputFile->write(encodePngFrame(frame, frameWidth, frameHeight, picture.palette));
    else if (kind == OutputKind::pgm)
        outputFile->write(encodePgmFrame(frame, frameWidth, frameHeight));
    if (outputFile)
        outputFile->commit();

    // With --trace, or an output on stdout, stdout holds that alone.
    std::ostream& summary = trace || (outputFile && outputFile->isStandardOutput()) ? console.err : console.out;
    summary << "drew " << frames << " frame" << (frames == 1 ? "" : "s") << " of " << shownName(input)
            << " with seed " << seed;
    if (output)
        summary << "; wrote " << shownName(*output)
                << (kind == OutputKind::gif  ? " (all frames)"
                    : isVideo(kind)          ? " (all frames, " + std::to_string(framesPerSecond) + " a second)"
                                             : " (frame " + std::to_string(frames) + ")");
    summary << "\n";
    return exitOk;
}
