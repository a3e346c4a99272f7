// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <limits>
#include <memory>

#include "commands.h"
#include "output_file.h"
#include "package/gif_decoder.h"
#include "package/gif_palette.h"
#include "preview_output.h"
#include "saver_file.h"

namespace {

constexpr std::string_view decodeUsage =
    "glimmer decode FILE [--offset N] [--length N] [--width W --height H] -o OUT";

// What decode may hold at once: the file, the target (a byte a pixel) and
// its encoded copy (at most about as large). With the program's own memory
// it stays under 400 MB.
constexpr uint64_t decodeMemoryBudget = uint64_t(340) << 20;
constexpr uint64_t largestTarget = uint64_t(1) << 27;

struct PictureRange {
    size_t offset;
    uint32_t byteBudget;
    std::string where;
};

// Where the picture lies: --offset, else the file itself when it is a GIF,
// else record 0 of the package it holds.
PictureRange findPicture(std::span<const uint8_t> file, const std::string& path, std::optional<int64_t> offset,
                         std::optional<int64_t> length)
{
    PictureRange range;
    uint64_t budget = 0;
    if (offset) {
        if (uint64_t(*offset) > file.size())
            fail("--offset " + std::to_string(*offset) + " lies beyond the end of " + quotedName(path) + " (" +
                 std::to_string(file.size()) + " bytes)");
        range.offset = size_t(*offset);
        budget = file.size() - range.offset;
        range.where = "at byte " + std::to_string(*offset);
    } else if (startsWithGif(file)) {
        range.offset = 0;
        budget = file.size();
        range.where = "";
    } else {
        const long start = packageStartOf(file, false);
        if (!packageMagicAt(file, size_t(start)))
            fail(quotedName(path) + " is neither a GIF (it does not start with \"GIF\") nor a saver or file.dat (no \"" +
                 packageMagic + "\" at byte 0 or " + std::to_string(packageOffset) + ")");
        const ImagePackage package = readPackageOf(file, start, path);
        if (package.kind[0] != gifKind)
            fail("record 0 of " + quotedName(path) + " is not a GIF (kind " + std::to_string(int(package.kind[0])) +
                 ", not 'g'): the saver shows no picture");
        if (package.offset[0] < 0 || uint64_t(package.offset[0]) > file.size())
            fail("record 0 of " + quotedName(path) + " places its picture at byte " + std::to_string(package.offset[0]) +
                 ", outside the file of " + std::to_string(file.size()) + " bytes");
        range.offset = size_t(package.offset[0]);
        // The saver compares its byte count with the length as an unsigned value.
        budget = uint32_t(package.length[0]);
        range.where = "of record 0 (byte " + std::to_string(package.offset[0]) + ")";
    }
    if (length)
        budget = uint64_t(*length);
    range.byteBudget = uint32_t(std::min<uint64_t>(budget, std::numeric_limits<uint32_t>::max()));
    return range;
}

bool endsWithPng(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string ending = path.substr(path.size() - 4);
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ending == ".png";
}

struct WorkspaceFree {
    void operator()(GifWorkspace* workspace) const { gifFreeWorkspace(workspace); }
};

}  // namespace

int runDecodeCommand(std::span<const std::string> words, Console& console)
{
    Arguments arguments(words, {"-o", "--offset", "--length", "--width", "--height"}, {}, decodeUsage);
    const auto output = arguments.takeValue("-o");
    const auto offset = arguments.takeInteger("--offset", 0, std::numeric_limits<int64_t>::max());
    const auto length = arguments.takeInteger("--length", 0, std::numeric_limits<uint32_t>::max());
    const auto width = arguments.takeInteger("--width", 1, 65535);
    const auto height = arguments.takeInteger("--height", 1, 65535);
    const auto inputs = arguments.positionals(1);
    if (!output)
        fail("no output given: add -o OUT.pgm (palette indices) or -o OUT.png (colours)\nusage: " +
             std::string(decodeUsage));
    if (width.has_value() != height.has_value())
        fail("--width and --height go together");
    const std::string& path = inputs[0];
    OutputFile outputFile(*output, inputs);
    std::ostream& report = outputFile.isStandardOutput() ? console.err : console.out;

    const Bytes file = readWholeFile(path, decodeMemoryBudget,
                                     "the memory glimmer decode may use for a saver or GIF");
    const PictureRange range = findPicture(file, path, offset, length);
    const std::span<const uint8_t> stream = std::span<const uint8_t>(file).subspan(range.offset);
    const std::string picture = "the picture " + (range.where.empty() ? "" : range.where + " ") + "in " + quotedName(path);

    GifStream source;
    gifOpenMemory(&source, stream.data(), stream.size());
    GifImage image{};
    const int header = gifReadImageSize(&source, &image);
    if (header == gifNotGif)
        fail(picture + " is not a GIF: it does not start with \"GIF\"");
    if (header == gifNoImage)
        fail(picture + " ends before its image: no image separator (0x2C) and image size after the colour table");

    int targetWidth = width ? int(*width) : stream[6] | stream[7] << 8;
    int targetHeight = height ? int(*height) : stream[8] | stream[9] << 8;
    if (targetWidth == 0 || targetHeight == 0)
        fail(picture + " has a logical screen of " + std::to_string(targetWidth) + " x " +
             std::to_string(targetHeight) + ": give the target's size with --width and --height");
    const uint64_t targetPixels = uint64_t(targetWidth) * uint64_t(targetHeight);
    if (targetPixels > largestTarget || file.size() + 2 * targetPixels > decodeMemoryBudget)
        fail("a target of " + std::to_string(targetWidth) + " x " + std::to_string(targetHeight) +
             " pixels is too large (at most " + std::to_string(largestTarget) +
             " pixels, and with the file's bytes at most " + std::to_string(decodeMemoryBudget >> 20) +
             " MB: glimmer decode keeps the target and its encoded copy in memory)");

    Bytes pixels(size_t(targetWidth) * size_t(targetHeight), 0);
    const GifTarget target = {pixels.data(), targetWidth, targetWidth, targetHeight};
    const std::unique_ptr<GifWorkspace, WorkspaceFree> workspace(gifAllocateWorkspace());
    const int status = gifDecodeImage(&source, &image, range.byteBudget, &target, workspace.get());
    // The decoder reads the packed byte and the code size after the image's
    // size: a stream that stops there has no code size at all.
    if (status == gifBadCodeSize && image.minimumCodeSize < 0)
        fail(picture + " ends before its LZW minimum code size, right after the image's size");
    if (status == gifBadCodeSize)
        fail(picture + " has the LZW minimum code size " + std::to_string(image.minimumCodeSize) +
             "; the saver decodes only 2 to 9");
    if (status == gifOutOfMemory)
        fail("out of memory for the decoder's tables");

    const Bytes encoded = [&] {
        if (!endsWithPng(*output))
            return encodePgmFrame(pixels, targetWidth, targetHeight);
        // The colours the saver loads: 768 bytes from the stream's byte 13 to the
        // end of the file, whatever the budget.
        PaletteEntry palette[paletteSize] = {};
        const size_t tableBytes = stream.size() > size_t(gifColourTableOffset)
                                      ? std::min(stream.size() - gifColourTableOffset, size_t(gifColourTableSize))
                                      : 0;
        paletteFromColourTable(stream.data() + std::min(stream.size(), size_t(gifColourTableOffset)), tableBytes,
                               palette);
        return encodePngFrame(pixels, targetWidth, targetHeight, palette);
    }();
    outputFile.write(encoded);
    outputFile.commit();

    if (status == gifDataEnded)
        console.err << "warning: the image data of " << picture << " ends before its end code (after "
                    << image.pixelCount << " pixels); the pixels decoded so far are written, the rest of the target is index 0\n";
    report << "decoded a " << image.imageWidth << " x " << image.imageHeight << " image ("
           << (image.interlaced ? "interlaced" : "not interlaced") << ", minimum code size " << image.minimumCodeSize
           << ", " << image.pixelCount << " pixels) into " << targetWidth << " x " << targetHeight << ": "
           << shownName(*output) << "\n";
    return exitOk;
}
