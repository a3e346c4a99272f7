// SPDX-License-Identifier: GPL-3.0-or-later
// Decompression bombs and damaged files: each is refused with its real
// reason (too large, cut short, corrupt, a kind not supported), or made into
// a saver when only what make does not use is wrong, within 400 MB of memory
// more than the test itself uses (a hard limit on the address space of a
// child process; in the sanitizer build, its allocator's limit instead).
#include <sys/resource.h>
#include <sys/wait.h>

#include <fstream>

#include "crafted_pictures.h"
#include "maker_test_support.h"
#include "picture_encoders.h"

using namespace makertest;
using namespace crafted;

// AddressSanitizer reserves terabytes of address space: there, its allocator
// limit (set by the build) bounds the memory instead.
#if defined(__has_feature)
#if !__has_feature(address_sanitizer)
#define GLIMMER_CAP_MEMORY 1
#endif
#elif !defined(__SANITIZE_ADDRESS__)
#define GLIMMER_CAP_MEMORY 1
#endif

namespace {

constexpr uint64_t memoryAllowance = 400ull << 20;

uint64_t addressSpaceInUse()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            return std::stoull(line.substr(7)) << 10;
    return 0;
}

// glimmer in a child process whose address space may grow by the allowance.
ToolRun glimmerWithinAllowance(const std::vector<std::string>& words, uint64_t allowance = memoryAllowance)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {-1, "", "no pipe"};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
#ifdef GLIMMER_CAP_MEMORY
        const rlimit limit{addressSpaceInUse() + allowance, addressSpaceInUse() + allowance};
        setrlimit(RLIMIT_AS, &limit);
        // Ten seconds of CPU at most: a file made to take minutes ends the child.
        const rlimit cpu{10, 10};
        setrlimit(RLIMIT_CPU, &cpu);
#endif
        const ToolRun run = glimmer(words);
        const std::string report = std::to_string(run.status) + "\n" + run.out + '\0' + run.err;
        [[maybe_unused]] const ssize_t written = ::write(channel[1], report.data(), report.size());
        _exit(0);
    }
    close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, size_t(got));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || report.empty())
        return {-1, "", "the child ended without a report (status " + std::to_string(status) + ")"};
    const size_t end = report.find('\n'), split = report.find('\0', end);
    return {std::stoi(report.substr(0, end)), report.substr(end + 1, split - end - 1), report.substr(split + 1)};
}


Bytes cut(Bytes bytes, size_t keep)
{
    bytes.resize(std::min(keep, bytes.size()));
    return bytes;
}

// A JPEG whose frame header claims 10000 x 10000 pixels.
Bytes jpegClaimingTenThousand()
{
    Bytes jpeg = photo();
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = 0x27, jpeg[i + 6] = 0x10, jpeg[i + 7] = 0x27, jpeg[i + 8] = 0x10;
            break;
        }
    return jpeg;
}

Bytes pngWithBadData()
{
    Bytes png = encoders::pngFile({}, busy);
    for (size_t i = 8; i + 8 < png.size(); ++i)
        if (std::memcmp(&png[i], "IDAT", 4) == 0) {
            png[i + 8] ^= 0x55;  // the second byte of its zlib stream
            break;
        }
    return png;
}

Bytes stbTga(int width, int height)
{
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 3, 77);
    Bytes bytes;
    stbi_write_tga_to_func(appendToBytes, &bytes, width, height, 3, pixels.data());
    return bytes;
}

// The header of a TGA or BMP patched to claim another size.
Bytes tgaClaiming(int width, int height)
{
    Bytes tga = stbTga(8, 8);
    putWord(tga, 12, width);
    putWord(tga, 14, height);
    return tga;
}

Bytes bmpClaiming(int32_t width, int32_t height)
{
    Bytes bmp = encodeWithStb(PictureFormat::bmp, rgbPicture(8, 8, [](int, int) { return 0x336699u; }));
    std::memcpy(&bmp[18], &width, 4);
    std::memcpy(&bmp[22], &height, 4);
    return bmp;
}

Bytes webpLosslessClaimingLargest()
{
    Bytes webp = encoders::webpFile({}, busy);
    // The VP8L header after "RIFF....WEBPVP8L" and the chunk size: a
    // signature byte, then 14 bits of width - 1 and 14 of height - 1.
    webp[21] = 0xFF, webp[22] = 0xFF, webp[23] = 0xFF, webp[24] = 0x0F;
    return webp;
}


struct DamageCase {
    std::string name;
    std::function<Bytes()> file;
    int status;
    std::string message;  // in stderr when refused, in stdout when made
    std::string fit = "cover";
};

std::string caseName(const ::testing::TestParamInfo<DamageCase>& info)
{
    return info.param.name;
}

class MakeDamage : public MakerTest, public ::testing::WithParamInterface<DamageCase> {};

}  // namespace

TEST_P(MakeDamage, RefusedWithTheRealReasonWithinBoundedMemory)
{
    const DamageCase& damage = GetParam();
    write("in.picture", damage.file());
    const ToolRun run = glimmerWithinAllowance({"make", path("in.picture"), "-o", path("out.scr"), "--fit", damage.fit});
    EXPECT_EQ(run.status, damage.status) << describe(run);
    EXPECT_NE((damage.status ? run.err : run.out).find(damage.message), std::string::npos) << describe(run);
    EXPECT_EQ(exists("out.scr"), damage.status == 0);
}

INSTANTIATE_TEST_SUITE_P(Bombs, MakeDamage, ::testing::Values(
    DamageCase{"gifScreenAndFrame", [] { return gifOf(gifFrameClaiming(46000, 46000)); }, 2,
               "is 46000 x 46000 pixels, more than the 100 megapixels a picture may have"},
    DamageCase{"gifFirstFrameOnly", [] {
        Bytes gif = gifOf(gifFrameClaiming(46000, 46000));
        putWord(gif, 6, 256), putWord(gif, 8, 256);
        return gif; }, 2, "is 46000 x 46000 pixels (its first frame)"},
    DamageCase{"gifLaterFrames", [] {
        Bytes gif = giflibGif(GifShape{}, [](int x, int y) { return uint8_t(x ^ y); });
        gif.pop_back();
        for (int frame = 0; frame < 3; ++frame) {
            const Bytes large = gifFrameClaiming(46000, 46000);
            gif.insert(gif.end(), large.begin(), large.end());
        }
        gif.push_back(0x3B);
        return gif; }, 0, "re-encoding the GIF: it has 4 frames"},
    DamageCase{"pngSquare", [] { return pngClaiming(30000, 30000); }, 2, "is 30000 x 30000 pixels, more than"},
    DamageCase{"pngColumn", [] { return pngClaiming(1, 100000001); }, 2, "is 1 x 100000001 pixels, more than"},
    DamageCase{"jpegCutShort", jpegClaimingTenThousand, 2, "cannot read the JPEG picture '"},
    DamageCase{"webp", webpLosslessClaimingLargest, 2, "is 16384 x 16384 pixels, more than"},
    DamageCase{"tga", [] { return tgaClaiming(65535, 65535); }, 2, "is 65535 x 65535 pixels, more than"},
    DamageCase{"bmp", [] { return bmpClaiming(50000, -50000); }, 2, "is 50000 x 50000 pixels, more than"},
    DamageCase{"fitNone", [] { return encoders::pngFile({5001, 5000, PNG_COLOR_TYPE_GRAY, 1}, busy); }, 2,
               "is 5001 x 5000 pixels; with --fit none glimmer make takes pictures of up to 25 megapixels", "none"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Damage, MakeDamage, ::testing::Values(
    DamageCase{"pngCut", [] { const Bytes png = encoders::pngFile({}, busy); return cut(png, png.size() / 2); }, 2,
               "': it is cut short"},
    DamageCase{"pngCorrupt", pngWithBadData, 2, "': its data is corrupt (libpng: IDAT: "},
    DamageCase{"jpegCut", [] { return cut(photo(), 700); }, 2, "': it is cut short"},
    DamageCase{"jpegWithoutEnd", [] { return cut(photo(), photo().size() - 2); }, 0,
               "is cut short after its pixels, which are all there"},
    DamageCase{"gifCut", [] { return cut(giflibGif(GifShape{}, [](int x, int) { return uint8_t(x); }), 1500); }, 2,
               "cannot read the GIF picture '"},
    DamageCase{"bmpCut", [] { return cut(bmpClaiming(8, 8), 100); }, 2, "': it is cut short"},
    DamageCase{"tgaCut", [] { return cut(stbTga(64, 64), 60); }, 2, "': it is cut short"},
    DamageCase{"webpCut", [] { return cut(encoders::webpFile({}, busy), 60); }, 2, "': it is cut short"},
    DamageCase{"icon", [] { return readWholeFile(std::string(GLIMMER_TEST_DATA) + "/pictures/icon.ico"); }, 2,
               "is an ICO icon; savers are made from"}),
    caseName);

// Tiny files that declare a great deal, and pictures of extreme shapes: each
// costs what the file holds, or is refused by the memory it would take.
INSTANTIATE_TEST_SUITE_P(Budget, MakeDamage, ::testing::Values(
    DamageCase{"pngTextDeclaringTwoGigabytes", [] { return pngWithChunk("tEXt", 0x7FFFFFF0, false); }, 2,
               "': it is cut short"},
    DamageCase{"pngZtxtDeclaringTwoGigabytes", [] { return pngWithChunk("zTXt", 0x7FFFFFF0, false); }, 2,
               "': it is cut short"},
    DamageCase{"pngItxtDeclaringTwentyMegabytes", [] { return pngWithChunk("iTXt", 20 << 20, false); }, 2,
               "': it is cut short"},
    DamageCase{"pngSpltDeclaringTwentyMegabytes", [] { return pngWithChunk("sPLT", 20 << 20, false); }, 2,
               "': it is cut short"},
    DamageCase{"pngPcalDeclaringTwentyMegabytes", [] { return pngWithChunk("pCAL", 20 << 20, false); }, 2,
               "': it is cut short"},
    DamageCase{"pngScalDeclaringTwentyMegabytes", [] { return pngWithChunk("sCAL", 20 << 20, false); }, 2,
               "': it is cut short"},
    DamageCase{"pngExifDeclaringTwentyMegabytes", [] { return pngWithChunk("eXIf", 20 << 20, false); }, 2,
               "': it is cut short"},
    DamageCase{"pngTextAfterPixels", [] { return pngWithChunk("tEXt", 0x7FFFFFF0, true); }, 0,
               "is cut short after its pixels, which are all there"},
    DamageCase{"pngSixteenBitRow", [] { return pngClaiming(100000000, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA); }, 2,
               "in.picture' is a PNG of 100000000 x 1 pixels that would take about 2194 MB to read, more than the "
               "340 MB a make may use"},
    DamageCase{"pngOneBitRow", [] { return pngClaiming(100000000, 1, 1, PNG_COLOR_TYPE_GRAY); }, 2,
               "is a PNG of 100000000 x 1 pixels that would take about 2194 MB to read"},
    DamageCase{"pngColumnStretched", [] { return pngOneBitStripes(1, 100000000); }, 2,
               "is a PNG of 1 x 100000000 pixels that would take about 2957 MB to fit as \"stretch\", more "
               "than the 340 MB a make may use (its sides are 100000000 to 1)", "stretch"},
    DamageCase{"pngColumnContained", [] { return pngOneBitStripes(1, 100000000); }, 2,
               "would take about 1817 MB to fit as \"contain\"", "contain"},
    DamageCase{"pngColumnCovered", [] { return pngOneBitStripes(1, 100000000); }, 0,
               "from the PNG of 1 x 100000000 (fit cover"},
    DamageCase{"pngInterlacedWithAlpha", [] {
        return pngClaiming(10000, 10000, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_ADAM7); }, 2,
               "is a PNG of 10000 x 10000 pixels that would take about 383 MB to read"},
    DamageCase{"bmpOneBitRowContained", [] { return bmpOneBit(100000000, 1); }, 2,
               "is a BMP of 100000000 x 1 pixels that would take about 5258 MB to fit as \"contain\"", "contain"},
    DamageCase{"bmpOneBitRowCovered", [] { return bmpOneBit(100000000, 1); }, 0,
               "from the BMP of 100000000 x 1 (fit cover"},
    DamageCase{"bmpTopDownColumnCutShort", [] { return bmpClaiming(1, -100000000); }, 2, "': it is cut short"},
    DamageCase{"jpegProgressiveInk", [] {
        return jpegClaiming(encoders::jpegFile({16, 16, encoders::JpegKind::cmyk, 90, {}, {}}, busy), 0xC2, 10000,
                            10000); }, 2,
               "is a JPEG of 10000 x 10000 pixels that would take about 772 MB to read"},
    DamageCase{"jpegProgressiveFullColour", [] { return jpegClaiming(photo(), 0xC2, 10000, 10000, 0x11); }, 2,
               "is a JPEG of 10000 x 10000 pixels that would take about 580 MB to read"},
    DamageCase{"jpegThousandsOfScans", [] { return jpegWithScans(50000); }, 2,
               "': it has more than 500 scans, more than any JPEG writer makes"},
    DamageCase{"jpegArithmetic", [] { return jpegClaiming(photo(), 0xC9, 64, 64); }, 2,
               "': a kind of JPEG that is not supported (arithmetic-coded)"},
    DamageCase{"tgaRunsWithAlpha", [] { return tgaRunsClaiming(10000, 10000); }, 2,
               "is a TGA of 10000 x 10000 pixels that would take about 391 MB to read"},
    DamageCase{"webpLosslessWithAlpha", [] { return webpLosslessClaiming(10000, 10000); }, 2,
               "is a WebP of 10000 x 10000 pixels that would take about 485 MB to read"},
    DamageCase{"gifCodeSizeZero", [] { return gifWithCodeSize(0); }, 2,
               "': its LZW minimum code size is 0, which no GIF has (they have 2 to 8)"},
    DamageCase{"gifCodeSizeTwelve", [] { return gifWithCodeSize(12); }, 2,
               "': its LZW minimum code size is 12, which no GIF has (they have 2 to 8)"}),
    caseName);

// A PNG is fitted row by row as it is decoded: 100 megapixels, 300 MB
// held whole, are made within 64 MB.
TEST_F(MakerTest, ALargePngIsMadeWithoutHoldingItsPixels)
{
    write("large.png", pngOneBitStripes(10000, 10000));
    const ToolRun run = glimmerWithinAllowance({"make", path("large.png"), "-o", path("out.scr")}, 64ull << 20);
    EXPECT_EQ(run.status, 0) << describe(run);
    EXPECT_NE(run.out.find("from the PNG of 10000 x 10000"), std::string::npos) << describe(run);
}

// Files larger than any picture make can take are refused before they are
// read: a sparse file costs no disk.
TEST_F(MakerTest, LargeFilesAreRefusedUnread)
{
    const struct {
        Bytes start;
        const char* command;
        std::string message;
    } cases[] = {
        {Bytes(16, 0), "make", "is not a picture the maker can read"},
        {Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, "make",
         "is larger than 340 MB, more than the memory glimmer make may use for a picture"},
        {Bytes{'G', 'I', 'F', '8', '9', 'a'}, "decode",
         "is larger than 340 MB, more than the memory glimmer decode may use for a saver or GIF"},
    };
    for (const auto& c : cases) {
        write("large.picture", c.start);
        ASSERT_EQ(::truncate(path("large.picture").c_str(), off_t(600) << 20), 0);
        const ToolRun run = glimmerWithinAllowance({c.command, path("large.picture"), "-o", path("out.scr")});
        EXPECT_EQ(run.status, 2) << describe(run);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << describe(run);
        EXPECT_FALSE(exists("out.scr"));
    }
}

// decode keeps its target and its encoded copy: a screen too large for
// that is refused by name.
TEST_F(MakerTest, DecodeRefusesATargetBeyondItsMemory)
{
    Bytes gif = giflibGif(GifShape{4, 4}, [](int x, int y) { return uint8_t(x + y); });
    putWord(gif, 6, 65535), putWord(gif, 8, 4096);
    write("wide.gif", gif);
    const ToolRun refused = glimmerWithinAllowance({"decode", path("wide.gif"), "-o", path("out.pgm")});
    EXPECT_EQ(refused.status, 2) << describe(refused);
    EXPECT_NE(refused.err.find("a target of 65535 x 4096 pixels is too large (at most 134217728 pixels, and with "
                               "the file's bytes at most 340 MB"),
              std::string::npos)
        << describe(refused);
    putWord(gif, 8, 2048);
    write("wide.gif", gif);
    const ToolRun decoded = glimmerWithinAllowance({"decode", path("wide.gif"), "-o", path("out.pgm")});
    EXPECT_EQ(decoded.status, 0) << describe(decoded);
    EXPECT_NE(decoded.out.find("into 65535 x 2048"), std::string::npos) << describe(decoded);
}
