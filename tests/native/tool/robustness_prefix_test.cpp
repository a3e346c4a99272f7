// SPDX-License-Identifier: GPL-3.0-or-later
// Every prefix of a valid saver and of a valid file.dat through `glimmer
// inspect` and `glimmer decode`: for each length the exit status and the
// message are the ones written down below, and a picture cut short is written
// as far as its data goes.
//
// In the saver, the 61440 bytes of the program are never read: below the
// header only a sample of the lengths is run (every length within 64 bytes of
// the header and every 509th below), from the header on every length.
#include <regex>

#include "robustness_support.h"

using namespace robustness;

namespace {

struct Layout {
    const char* name;
    Bytes file;
    size_t headerStart;
    size_t pictureStart;
};

// What `inspect` answers for the first `length` bytes.
struct Expected {
    int status;
    std::string message;  // found on stderr
    int warnings;         // "warning: record" lines
};

Expected inspectExpectation(const Layout& layout, size_t length, size_t total)
{
    const bool fileDat = layout.headerStart == 0;
    // A file.dat cut inside its magic is not known as one: the header is then
    // looked for at 61440.
    if (fileDat ? length < 18 : length < headerAt + 18)
        return {2, "holds no package: it ends before byte 61458", 0};
    if (length < layout.headerStart + 392)
        return {2, "has a corrupt package header: it ends after " + std::to_string(length - layout.headerStart) +
                       " of its 392 bytes", 0};
    // Record 0 and the four empty records end at the end of the whole file.
    return {0, "", length < total ? 5 : 0};
}

// What `decode --width 16 --height 13` answers; the target is one row taller
// than the picture, so that only the end code or the end of the data stops it.
Expected decodeExpectation(const Layout& layout, size_t length, const Bytes& gif)
{
    const bool fileDat = layout.headerStart == 0;
    if (fileDat ? length < 18 : length < headerAt + 18)
        return {2, "is neither a GIF (it does not start with \"GIF\") nor a saver or file.dat", 0};
    if (length < layout.headerStart + 392)
        return {2, "has a corrupt package header: it ends after " + std::to_string(length - layout.headerStart) +
                       " of its 392 bytes", 0};
    if (length < layout.pictureStart)
        return {2, "places its picture at byte " + std::to_string(layout.pictureStart) + ", outside the file of " +
                       std::to_string(length) + " bytes", 0};
    const size_t present = length - layout.pictureStart;
    if (present < 6)
        return {2, "is not a GIF: it does not start with \"GIF\"", 0};
    if (present < descriptorSizeEnd)
        return {2, "ends before its image", 0};
    if (present <= codeSizeAt)
        return {2, "ends before its LZW minimum code size", 0};
    // The last data byte holds the end code: without it the data ends early.
    if (present < gif.size() - 2)
        return {0, "ends before its end code", 0};
    return {0, "", 0};
}

int countOf(const std::string& text, const std::string& what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

class EveryPrefix : public ToolFiles {
protected:
    void runLayout(const Layout& layout)
    {
        const Bytes gif = pictureGif();
        const Bytes indices = pictureIndices();
        const size_t total = layout.file.size();
        std::vector<size_t> lengths;
        for (size_t length = 0; length <= total; ++length) {
            const bool nearPackage = length + 64 >= layout.headerStart;
            if (nearPackage || length % 509 == 0 || length < 20)
                lengths.push_back(length);
        }
        const std::regex pixelsPattern(", ([0-9]+) pixels\\)");
        int runs = 0;
        for (const size_t length : lengths) {
            const std::string input = write("cut", Bytes(layout.file.begin(), layout.file.begin() + long(length)));
            const std::string what = std::string(layout.name) + " cut to " + std::to_string(length) + " bytes";

            const Expected inspectWanted = inspectExpectation(layout, length, total);
            const ToolRun inspected = glimmer({"inspect", input});
            ASSERT_EQ(inspected.status, inspectWanted.status) << what << "\n" << describe(inspected);
            ASSERT_NE(inspected.err.find(inspectWanted.message), std::string::npos) << what << "\n" << describe(inspected);
            ASSERT_EQ(countOf(inspected.err, "warning: record"), inspectWanted.warnings) << what << "\n" << describe(inspected);
            ASSERT_EQ(inspected.out.empty(), inspected.status != 0) << what;

            const Expected decodeWanted = decodeExpectation(layout, length, gif);
            const ToolRun decoded =
                glimmer({"decode", input, "--width", "16", "--height", "13", "-o", path("out.pgm")});
            ASSERT_EQ(decoded.status, decodeWanted.status) << what << "\n" << describe(decoded);
            ASSERT_NE(decoded.err.find(decodeWanted.message), std::string::npos) << what << "\n" << describe(decoded);
            if (decoded.status != 0) {
                ASSERT_EQ(decoded.out, "") << what;
                ASSERT_FALSE(exists("out.pgm")) << what;
                ++runs;
                continue;
            }
            ASSERT_EQ(decodeWanted.message.empty(), decoded.err.empty()) << what << "\n" << describe(decoded);
            std::smatch match;
            ASSERT_TRUE(std::regex_search(decoded.out, match, pixelsPattern)) << decoded.out;
            const size_t pixels = std::stoul(match[1]);
            const Pgm pgm = readPgm(read("out.pgm"));
            ASSERT_EQ(pgm.width, 16) << what;
            ASSERT_EQ(pgm.height, 13) << what;
            ASSERT_LE(pixels, indices.size()) << what;
            if (decodeWanted.message.empty())
                ASSERT_EQ(pixels, indices.size()) << what;
            // The pixels decoded so far in their rows, index 0 everywhere else.
            for (size_t at = 0; at < pgm.samples.size(); ++at)
                ASSERT_EQ(pgm.samples[at], at < pixels ? indices[at] : 0) << what << ", pixel " << at;
            std::filesystem::remove(path("out.pgm"));
            ++runs;
        }
        EXPECT_GT(runs, 1000);
    }
};

}  // namespace

TEST_F(EveryPrefix, OfASaver)
{
    const Bytes gif = pictureGif();
    runLayout(Layout{"saver", saverOf(gif), headerAt, pictureAt});
}

TEST_F(EveryPrefix, OfAFileDat)
{
    const Bytes gif = pictureGif();
    runLayout(Layout{"file.dat", fileDatOf(gif), 0, size_t(packageHeaderSize) + 1});
}
