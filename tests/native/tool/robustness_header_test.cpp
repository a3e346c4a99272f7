// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged package headers through `glimmer inspect`, `decode` and `preview`:
// every single-byte corruption of a saver's header, records whose range lies
// outside the file or overflows, and picture sizes of 0, 1, 65535 and below 0.
// Each case says what the tool answers: exit status, message, warnings.
#include <climits>

#include "robustness_support.h"

using namespace robustness;

namespace {

int countOf(const std::string& text, const std::string& what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

int32_t read32(const Bytes& bytes, size_t at)
{
    return int32_t(uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
                   uint32_t(bytes[at + 3]) << 24);
}

bool outsideFile(int32_t offset, int32_t length, size_t size)
{
    return offset < 0 || length < 0 || uint64_t(offset) + uint64_t(length) > size;
}

class HeaderDamage : public ToolFiles {
protected:
    void SetUp() override
    {
        ToolFiles::SetUp();
        gif = pictureGif();
        indices = pictureIndices();
        saver = saverOf(gif);
    }

    // decode with the GIF's own 16 x 12 target; the samples, or an empty
    // result when it refused.
    ToolRun decode(const std::string& input, Bytes* samples = nullptr)
    {
        std::filesystem::remove(path("out.pgm"));
        const ToolRun run = glimmer({"decode", input, "-o", path("out.pgm")});
        if (run.status == 0 && samples)
            *samples = readPgm(read("out.pgm")).samples;
        if (run.status != 0)
            EXPECT_FALSE(exists("out.pgm")) << input;
        return run;
    }

    Bytes gif;
    Bytes indices;
    Bytes saver;
};

}  // namespace

// Each of the 392 header bytes inverted in turn.
TEST_F(HeaderDamage, EverySingleByteCorruptionOfTheHeader)
{
    const ToolRun plainInspect = glimmer({"inspect", write("plain.scr", saver)});
    ASSERT_EQ(plainInspect.status, 0) << describe(plainInspect);
    ASSERT_EQ(plainInspect.err, "");

    for (size_t at = 0; at < size_t(packageHeaderSize); ++at) {
        Bytes damaged = saver;
        damaged[headerAt + at] ^= 0xFF;
        const std::string input = write("damaged.scr", damaged);
        const std::string what = "header byte " + std::to_string(at) + " inverted";
        const ToolRun inspected = glimmer({"inspect", input});
        Bytes samples;
        const ToolRun decoded = decode(input, &samples);

        if (at < size_t(packageMagicLength)) {
            // The magic: no package at all.
            EXPECT_EQ(inspected.status, 2) << what;
            EXPECT_NE(inspected.err.find("the magic at byte 61440 is not \"GlimmerwheelStudio\""), std::string::npos)
                << what << "\n" << describe(inspected);
            EXPECT_EQ(inspected.out, "") << what;
            EXPECT_EQ(decoded.status, 2) << what;
            EXPECT_NE(decoded.err.find("is neither a GIF"), std::string::npos) << what << "\n" << describe(decoded);
            continue;
        }

        // Any other byte: the header is read as it stands.
        ASSERT_EQ(inspected.status, 0) << what << "\n" << describe(inspected);
        const int record = at >= size_t(imageRecordsStart) && at < size_t(optionBytesStart)
                               ? int(at - imageRecordsStart) / imageRecordSize
                               : -1;
        const int field = record >= 0 ? int(at - imageRecordsStart) % imageRecordSize : -1;
        int warnings = 0;
        for (int r = 0; r < imageRecordCount; ++r)
            warnings += outsideFile(read32(damaged, headerAt + recordField(r, offsetField)),
                                    read32(damaged, headerAt + recordField(r, lengthField)), damaged.size());
        EXPECT_EQ(countOf(inspected.err, "warning: record"), warnings) << what << "\n" << describe(inspected);
        if (at >= size_t(textBlockStart))
            EXPECT_EQ(inspected.out, plainInspect.out) << what;  // the text block is never shown
        else
            EXPECT_NE(inspected.out, plainInspect.out) << what;  // every other field is

        if (record != 0 || field < offsetField) {
            // Fields the decoder does not use: the same picture.
            EXPECT_EQ(decoded.status, 0) << what << "\n" << describe(decoded);
            EXPECT_EQ(decoded.err, "") << what;
            EXPECT_EQ(samples, indices) << what;
        } else if (field < lengthField) {
            // Record 0's offset moved: never onto a GIF, often out of the file.
            const int32_t offset = read32(damaged, headerAt + recordField(0, offsetField));
            EXPECT_EQ(decoded.status, 2) << what;
            const bool outside = offset < 0 || size_t(offset) > damaged.size();
            EXPECT_NE(decoded.err.find(outside ? "outside the file" : "is not a GIF"), std::string::npos)
                << what << "\n" << describe(decoded);
        } else if (field < kindField) {
            // Record 0's length is the byte budget (unsigned): the picture is
            // whole when it covers the last data byte, cut short otherwise.
            const uint32_t budget = uint32_t(read32(damaged, headerAt + recordField(0, lengthField)));
            EXPECT_EQ(decoded.status, 0) << what << "\n" << describe(decoded);
            if (budget >= gif.size() - 2) {
                EXPECT_EQ(decoded.err, "") << what;
                EXPECT_EQ(samples, indices) << what;
            } else {
                EXPECT_NE(decoded.err.find("ends before its end code"), std::string::npos) << what;
            }
        } else {
            // Record 0's kind: not a GIF, nothing to decode.
            EXPECT_EQ(decoded.status, 2) << what;
            EXPECT_NE(decoded.err.find("is not a GIF (kind 152, not 'g')"), std::string::npos)
                << what << "\n" << describe(decoded);
            EXPECT_NE(inspected.out.find("\\u0098"), std::string::npos) << what;
        }
    }
}

// Record 0's range against a saver of `size` bytes.
TEST_F(HeaderDamage, RecordRangesOutsideTheFileOrOverflowing)
{
    const int32_t size = int32_t(saver.size());
    const int32_t start = int32_t(pictureAt);
    const int32_t length = int32_t(gif.size());
    enum Decode { whole, cut, nothing, notGif, outside };
    const struct {
        const char* what;
        int32_t offset;
        int32_t length;
        bool warned;    // inspect: "warning: record 0 ... lies outside the file"
        Decode decoded; // decode: the picture whole, cut short or empty (status 0), or refused (2)
    } cases[] = {
        {"valid", start, length, false, whole},
        {"empty range at the end", size, 0, false, notGif},
        {"offset one past the end", size + 1, 10, true, outside},
        {"offset -1", -1, length, true, outside},
        {"offset INT32_MIN", INT32_MIN, length, true, outside},
        {"offset INT32_MAX", INT32_MAX, length, true, outside},
        {"offset + length overflows 32 bits", 0x7FFFFF00, 0x200, true, outside},
        {"length one past the end", start, length + 1, true, whole},
        {"length INT32_MAX (offset + length overflows)", start, INT32_MAX, true, whole},
        {"length -1 (budget 4294967295)", start, -1, true, whole},
        {"length INT32_MIN (budget 2147483648)", start, INT32_MIN, true, whole},
        {"length 0", start, 0, false, nothing},
        {"length short of the last data byte", start, length - 3, false, cut},
        {"offset into the header", int32_t(headerAt), length, false, notGif},
    };
    for (const auto& c : cases) {
        Bytes file = saver;
        put32(file, headerAt + recordField(0, offsetField), c.offset);
        put32(file, headerAt + recordField(0, lengthField), c.length);
        const std::string input = write("range.scr", file);

        const ToolRun inspected = glimmer({"inspect", input});
        EXPECT_EQ(inspected.status, 0) << c.what << "\n" << describe(inspected);
        EXPECT_EQ(inspected.err.find("warning: record 0") != std::string::npos, c.warned)
            << c.what << "\n" << describe(inspected);
        EXPECT_EQ(countOf(inspected.err, "warning: record"), c.warned ? 1 : 0) << c.what;

        Bytes samples;
        const ToolRun decoded = decode(input, &samples);
        switch (c.decoded) {
        case whole:
            EXPECT_EQ(decoded.status, 0) << c.what << "\n" << describe(decoded);
            EXPECT_EQ(decoded.err, "") << c.what;
            EXPECT_EQ(samples, indices) << c.what;
            break;
        case cut:
            // The last data byte holds the end code: the pixels may all be
            // there, but the data ends early.
            EXPECT_EQ(decoded.status, 0) << c.what << "\n" << describe(decoded);
            EXPECT_NE(decoded.err.find("ends before its end code"), std::string::npos) << c.what;
            break;
        case nothing:
            EXPECT_EQ(decoded.status, 0) << c.what << "\n" << describe(decoded);
            EXPECT_NE(decoded.err.find("ends before its end code (after 0 pixels)"), std::string::npos) << c.what;
            EXPECT_EQ(samples, Bytes(indices.size(), 0)) << c.what;
            break;
        case notGif:
            EXPECT_EQ(decoded.status, 2) << c.what;
            EXPECT_NE(decoded.err.find("is not a GIF: it does not start with \"GIF\""), std::string::npos)
                << c.what << "\n" << describe(decoded);
            break;
        case outside:
            EXPECT_EQ(decoded.status, 2) << c.what;
            EXPECT_NE(decoded.err.find("places its picture at byte " + std::to_string(c.offset) +
                                       ", outside the file of " + std::to_string(size) + " bytes"),
                      std::string::npos)
                << c.what << "\n" << describe(decoded);
            break;
        }
        EXPECT_EQ(decoded.out.empty(), decoded.status != 0) << c.what;

        // preview runs the saver's start-up: a picture it cannot find is black.
        const ToolRun previewed = glimmer({"preview", input, "--frames", "1", "--seed", "1"});
        EXPECT_EQ(previewed.status, 0) << c.what << "\n" << describe(previewed);
        EXPECT_EQ(previewed.err.find("does not start with \"GIF\"") != std::string::npos,
                  c.decoded == notGif || c.decoded == outside)
            << c.what << "\n" << describe(previewed);
    }
}

// Record 0's width and height: 0, 1, 65535 and below 0. The decode command
// takes its target from the GIF, so only preview (the saver's start-up, which
// makes the picture surface of the record's size) tells them apart.
TEST_F(HeaderDamage, RecordSizes)
{
    const struct {
        int32_t width;
        int32_t height;
        bool shown; // preview: 0 and drawn; otherwise 2 with the surface message
    } cases[] = {
        {16, 12, true},        {0, 12, false},      {16, 0, false},        {0, 0, false},
        {1, 1, true},          {1, 12, true},       {16, 1, true},         {65535, 1, true},
        {1, 65535, true},      {65535, 65535, false}, {65536, 1, false},   {-1, 12, false},
        {16, -1, false},       {INT32_MIN, INT32_MIN, false},              {-16, -12, false},
    };
    for (const auto& c : cases) {
        const std::string what = std::to_string(c.width) + " x " + std::to_string(c.height);
        const std::string input = write("size.scr", saverOf(gif, c.width, c.height));

        const ToolRun inspected = glimmer({"inspect", input});
        EXPECT_EQ(inspected.status, 0) << what;
        EXPECT_NE(inspected.out.find(std::to_string(c.width)), std::string::npos) << what;

        Bytes samples;
        const ToolRun decoded = decode(input, &samples);
        EXPECT_EQ(decoded.status, 0) << what << "\n" << describe(decoded);
        EXPECT_EQ(samples, indices) << what;

        std::filesystem::remove(path("frame.pgm"));
        const ToolRun previewed =
            glimmer({"preview", input, "--frames", "1", "--seed", "7", "-o", path("frame.pgm")});
        if (c.shown) {
            EXPECT_EQ(previewed.status, 0) << what << "\n" << describe(previewed);
            const Pgm frame = readPgm(read("frame.pgm"));
            EXPECT_EQ(frame.width, 640) << what;
            EXPECT_EQ(frame.height, 480) << what;
        } else {
            EXPECT_EQ(previewed.status, 2) << what;
            EXPECT_NE(previewed.err.find("gives its picture as " + what + ", "),
                      std::string::npos)
                << what << "\n" << describe(previewed);
            EXPECT_EQ(previewed.out, "") << what;
            EXPECT_FALSE(exists("frame.pgm")) << what;
        }
    }
}

// The target size options of decode: 1 to 65535 each, at most 2^28 pixels.
TEST_F(HeaderDamage, DecodeTargetSizes)
{
    const std::string input = write("picture.gif", gif);
    const struct {
        const char* width;
        const char* height;
        const char* refusal; // empty: decoded
    } cases[] = {
        {"1", "1", ""},
        {"65535", "1", ""},
        {"1", "65535", ""},
        {"2048", "2048", ""},
        {"0", "12", "--width takes a whole number from 1 to 65535, not '0'"},
        {"16", "0", "--height takes a whole number from 1 to 65535, not '0'"},
        {"-1", "12", "--width takes a whole number from 1 to 65535, not '-1'"},
        {"16", "-12", "--height takes a whole number from 1 to 65535, not '-12'"},
        {"65536", "1", "--width takes a whole number from 1 to 65535, not '65536'"},
        {"65535", "65535", "a target of 65535 x 65535 pixels is too large (at most 134217728 pixels"},
        {"16385", "16384", "a target of 16385 x 16384 pixels is too large"},
        {"1e3", "12", "--width takes a whole number"},
        {"", "12", "--width takes a whole number"},
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.width) + " x " + c.height;
        std::filesystem::remove(path("out.pgm"));
        const ToolRun run =
            glimmer({"decode", input, "--width", c.width, "--height", c.height, "-o", path("out.pgm")});
        if (*c.refusal) {
            EXPECT_EQ(run.status, 2) << what;
            EXPECT_NE(run.err.find(c.refusal), std::string::npos) << what << "\n" << describe(run);
            EXPECT_EQ(run.out, "") << what;
            EXPECT_FALSE(exists("out.pgm")) << what;
            continue;
        }
        EXPECT_EQ(run.status, 0) << what << "\n" << describe(run);
        const Pgm pgm = readPgm(read("out.pgm"));
        EXPECT_EQ(pgm.width, std::stoi(c.width)) << what;
        EXPECT_EQ(pgm.height, std::stoi(c.height)) << what;
        EXPECT_EQ(pgm.samples[0], indices[0]) << what;
    }
}
