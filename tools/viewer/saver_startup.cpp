// SPDX-License-Identifier: GPL-3.0-or-later
#include "saver_startup.h"

#include "package/gif_decoder.h"
#include "package/gif_palette.h"
#include "package_file.h"
#include "saver_file_error.h"
#include "shown_name.h"

namespace {

struct RecordZero {
    int32_t width;
    int32_t height;
    int32_t offset;
    int32_t length;
    unsigned char kind;
};

std::string gifStatusText(int status)
{
    switch (status) {
    case gifNotGif: return "the data at record 0's offset does not start with \"GIF\"";
    case gifNoImage: return "the GIF ends before its picture";
    case gifBadCodeSize: return "the GIF's LZW code size is outside 2 to 9";
    case gifOutOfMemory: return "no memory for the decoder";
    case gifDataEnded: return "the GIF's picture data ends before its end code";
    }
    return "the GIF could not be decoded";
}

// The colour table is read apart from the decoder, 768 bytes from `offset`
// + 13 (past the 6-byte header and the 7-byte screen descriptor), whatever
// the GIF says its size is. An offset of -13 to -1 puts that read among the
// first bytes of the file, the program's own; a read that would start before
// the file reads nothing.
void readRecordPalette(std::span<const uint8_t> file, int32_t offset, SaverPicture& picture)
{
    const int64_t tableStart = int64_t(offset) + gifColourTableOffset;
    const bool readable = tableStart >= 0 && uint64_t(tableStart) < file.size();
    const size_t available =
        readable ? std::min<size_t>(gifColourTableSize, file.size() - size_t(tableStart)) : 0;
    paletteFromColourTable(readable ? file.data() + tableStart : nullptr, available, picture.palette.data());
    if (tableStart < 0)
        picture.warnings.push_back("record 0's colour table would start at byte " + std::to_string(tableStart) +
                                   ", before the file: the saver's colours are all black");
    else if (offset < 0)
        picture.warnings.push_back("record 0's offset " + std::to_string(offset) +
                                   " puts its colour table among the file's first bytes: the saver takes its "
                                   "colours from bytes " + std::to_string(tableStart) + " on");
    if (tableStart >= 0 && available < size_t(gifColourTableSize))
        picture.warnings.push_back("the file ends inside the picture's colour table: the missing colours are black");
}

// The saver's decoder on `stream`: the image's size into `image`, then at
// most `budget` bytes of it decoded into `target`; a gif status.
int decodeGif(std::span<const uint8_t> stream, uint32_t budget, const GifTarget& target, GifImage& image)
{
    GifStream gifStream;
    gifOpenMemory(&gifStream, stream.data(), stream.size());
    const int status = gifReadImageSize(&gifStream, &image);
    if (status != gifOk)
        return status;
    struct WorkspaceFree {
        void operator()(GifWorkspace* workspace) const { gifFreeWorkspace(workspace); }
    };
    const std::unique_ptr<GifWorkspace, WorkspaceFree> workspace(gifAllocateWorkspace());
    return workspace ? gifDecodeImage(&gifStream, &image, budget, &target, workspace.get()) : int(gifOutOfMemory);
}

void decodeRecordZero(std::span<const uint8_t> file, const RecordZero& record, SaverPicture& picture)
{
    if (record.kind != gifKind) {
        picture.warnings.push_back("record 0's kind is not 'g': the saver decodes no picture and shows only black");
        return;
    }
    // The saver opens the package file again and reads from `offset` on; a
    // range outside the file gives it nothing to read.
    const bool inside = record.offset >= 0 && uint64_t(record.offset) <= file.size();
    const auto stream = inside ? file.subspan(size_t(record.offset)) : std::span<const uint8_t>();

    GifImage image{};
    const GifTarget target{picture.pixels.data(), picture.width, picture.width, picture.height};
    const int status = decodeGif(stream, uint32_t(record.length), target, image);
    if (status != gifOk)
        picture.warnings.push_back(gifStatusText(status) + ": the saver shows what was decoded, palette index 0 "
                                                           "elsewhere");

    readRecordPalette(file, record.offset, picture);
}

}  // namespace

std::string undecodableGifReason(std::span<const uint8_t> gif)
{
    GifImage image{};
    // Only whether pixels come matters: one of them is kept.
    uint8_t pixel = 0;
    const GifTarget target{&pixel, 1, 1, 1};
    const int status = decodeGif(gif, uint32_t(std::min<size_t>(gif.size(), INT32_MAX)), target, image);
    if (status == gifOk || (status == gifDataEnded && image.pixelCount > 0))
        return "";
    if (status == gifBadCodeSize)
        return "its LZW code size is " + std::to_string(image.minimumCodeSize) + " where the saver reads it, and "
               "the saver decodes only 2 to 9";
    if (status == gifDataEnded)
        return "its picture data ends before the first pixel";
    return gifStatusText(status);
}

SaverPicture loadSaverPicture(std::span<const uint8_t> file, const std::string& path)
{
    RecordZero record{};
    if (startsWithGif(file)) {
        // A bare GIF is taken as `glimmer pack` would package it.
        const GifSize size = readGifScreenSize(file);
        record = RecordZero{size.width, size.height, 0, int32_t(std::min<size_t>(file.size(), INT32_MAX)), gifKind};
    } else {
        const long start = packageStartOf(file, false);
        const bool saver = packageMagicAt(file, size_t(packageOffset));
        if (start != 0 && !saver)
            refuseSaverFile(quotedName(path) + " is neither a saver, a file.dat nor a GIF (no package header at byte 0 or " +
                 std::to_string(packageOffset) + "); to see another picture, make a saver of it first with "
                 "'glimmer make PICTURE -o OUT.scr'");
        const ImagePackage package = readPackageOf(file, start, path);
        record = RecordZero{package.width[0], package.height[0], package.offset[0], package.length[0],
                            package.kind[0]};
    }
    if (const std::string reason = unshowableRecordReason(record.width, record.height); !reason.empty())
        refuseSaverFile("record 0 of " + quotedName(path) + " gives its picture as " + std::to_string(record.width) +
                        " x " + std::to_string(record.height) + ", " + reason);

    SaverPicture picture;
    picture.width = record.width;
    picture.height = record.height;
    picture.pixels.assign(size_t(record.width) * size_t(record.height), 0);
    decodeRecordZero(file, record, picture);
    return picture;
}

std::unique_ptr<EffectRun> startSaverEffect(const SaverPicture& picture, uint32_t seed)
{
    auto run = std::make_unique<EffectRun>();
    resetEffectRun(run.get());
    startEffectRun(run.get(), seed);
    setEffectPalette(run.get(), picture.palette.data());
    return run;
}

void stepSaverEffect(EffectRun& run, const SaverPicture& picture)
{
    stepEffectRun(&run, picture.pixels.data(), picture.width, picture.width, picture.height);
}
