// SPDX-License-Identifier: GPL-3.0-or-later
#include "make_saver.h"

#include <algorithm>
#include <cstdio>

#include "fit_picture.h"
#include "gif_encoder.h"
#include "gif_reencode_reasons.h"
#include "maker_error.h"
#include "package_file.h"
#include "picture_format.h"
#include "picture_readers.h"
#include "row_fit.h"
#include "quantise_picture.h"
#include "seamless_tile.h"
#include "saver_package.h"

namespace {

std::string joined(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : std::string(separator)) + part;
    return text;
}

// Kept at its own size, the picture goes whole into the GIF; the saver's
// texture takes its top-left 255 x 255 pixels, and palette index 0 where it
// is smaller.
MakeNote unfittedNote(const IndexedPicture& picture)
{
    MakeNote note = noteOf(NoteKind::unfittedTile);
    note.width = picture.width;
    note.height = picture.height;
    note.shownWidth = std::min(picture.width, 255);
    note.shownHeight = std::min(picture.height, 255);
    if (picture.width < makeSize || picture.height < makeSize)
        note.fill = picture.palette[0];
    return note;
}

void noteUnlessShowable(MadeSaver& made, GifSize size, bool force)
{
    if (auto note = checkRecordShowable(size, force))
        made.notes.push_back(std::move(*note));
}

// Whether the kept picture is what reading the file for `request` would give:
// the same file and fit (whose size limit and memory budget the reader
// checked) and, for a JPEG, the same decode scale (the
// smallest that suffices, as the reader chooses it).
bool keptPictureServes(const PictureKeep& keep, std::span<const uint8_t> file, const ReadRequest& request)
{
    if (!keep.picture || !std::equal(keep.file.begin(), keep.file.end(), file.begin(), file.end()) ||
        keep.fit != request.fit)
        return false;
    const Picture& picture = *keep.picture;
    if (picture.format != PictureFormat::jpeg)
        return true;
    const int orientation = turnedOrientation(keep.exifOrientation, request.turn);
    for (int eighths = 1; eighths <= 8; ++eighths) {
        const int width = int((int64_t(picture.fileWidth) * eighths + 7) / 8);
        const int height = int((int64_t(picture.fileHeight) * eighths + 7) / 8);
        if (decodeSizeSuffices(picture.fileWidth, picture.fileHeight, width, height, orientation, request.fit,
                               request.crop))
            return width == picture.stored.width && height == picture.stored.height;
    }
    return false;
}

// What was chosen of the picture, for the summary: ", cropped to 800 x 600 at 120,40, turned 90°, seamless".
std::string choiceText(const MakeOptions& options)
{
    std::string text;
    if (options.crop)
        text += ", cropped to " + std::to_string(options.crop->width) + " x " + std::to_string(options.crop->height) +
                " at " + std::to_string(options.crop->x) + "," + std::to_string(options.crop->y);
    if (options.turn != 0)
        text += ", turned " + std::to_string(options.turn) + "°";
    if (options.seamless)
        text += ", seamless";
    return text;
}

}  // namespace

PictureFormat pictureFormatOrRefuse(std::span<const uint8_t> start, const std::string& name)
{
    std::string otherKind;
    const auto format = detectPictureFormat(start, &otherKind);
    if (!format)
        refuse("'" + name + "' is " + (otherKind.empty() ? "not a picture the maker can read" : otherKind) +
               "; savers are made from GIF, PNG, JPEG, BMP, TGA and WebP pictures");
    return *format;
}

MadeSaver makeSaverPackage(std::span<const uint8_t> file, const MakeOptions& options,
                           std::span<const uint8_t> program)
{
    const std::string& name = options.pictureName;
    const std::optional<PictureFormat> format = pictureFormatOrRefuse(file, name);
    checkTurn(options.turn);
    const ReadRequest request{name, options.fit, options.turn, options.crop};
    const bool tileChosen = options.crop || options.turn != 0 || options.seamless;
    MadeSaver made;
    const auto step = [&](const std::string& what) {
        if (options.onStep)
            options.onStep(what);
    };
    step(std::string("reading the ") + pictureFormatName(*format));

    if (*format == PictureFormat::gif) {
        const GifLayout layout = readGifLayout(file);
        if (!layout.damage.empty())
            refuseUnreadable(PictureFormat::gif, name, layout.damage);
        // giflib would call this a read failure.
        if (layout.minimumCodeSize == 0 || layout.minimumCodeSize > 8)
            refuseUnreadable(PictureFormat::gif, name,
                             "its LZW minimum code size is " + std::to_string(layout.minimumCodeSize) +
                                 ", which no GIF has (they have 2 to 8)");
        if (!options.reencode) {
            auto reasons = gifReencodeReasons(file, layout, options.fit == FitMode::none);
            if (tileChosen)
                reasons.push_back("a crop, a turn or seamless edges were asked for");
            if (reasons.empty()) {
                // Its first picture must also decode, as the saver will decode it.
                // Packed as it is, it is never quantised: the limit of
                // --fit none does not apply.
                noteUnlessShowable(made, layout.screen, options.force);
                readGif(file, ReadRequest{name, FitMode::cover, 0, std::nullopt});
                made.notes.push_back(noteOf(NoteKind::gifUnchanged));
                made.summary = "the " + std::to_string(layout.screen.width) + " x " +
                               std::to_string(layout.screen.height) + " GIF unchanged";
                made.file = buildPackagedFile(program, file, layout.screen);
                return made;
            }
            made.notes.push_back(noteOf(NoteKind::gifReencoded, joined(reasons, "; ")));
        }
    }

    // The turn, the crop's check and the fit's plan, once the picture's size
    // and orientation are known: as its header is read when the reader hands
    // its rows to the fit as it decodes them, or else after reading.
    std::optional<FitPlan> plan;
    const auto planFor = [&](Picture& read) {
        read.orientation = turnedOrientation(read.orientation, options.turn);
        checkCrop(options.crop, uprightWidth(read), uprightHeight(read));
        plan = planFit(uprightWidth(read), uprightHeight(read), options.fit, options.crop);
        noteUnlessShowable(made, GifSize{plan->canvasWidth, plan->canvasHeight}, options.force);
    };
    PictureKeep* keep = options.keep;
    std::optional<RowFit> rowFit;
    ReadRequest rowRequest = request;
    if (options.fit != FitMode::none)
        rowRequest.fitRows = [&](const Picture& header) -> RowFit* {
            if (keep && uint64_t(header.stored.width) * uint64_t(header.stored.height) * 3 <= mostKeptPictureBytes)
                return nullptr;
            Picture upright = header;  // no pixels
            planFor(upright);
            return &rowFit.emplace(upright, *plan,
                                   wholeOrCrop(uprightWidth(upright), uprightHeight(upright), options.crop));
        };

    Picture picture;
    if (keep && keptPictureServes(*keep, file, request)) {
        // The pixels stay kept; only what is said about them is copied.
        picture.format = keep->picture->format;
        picture.fileWidth = keep->picture->fileWidth;
        picture.fileHeight = keep->picture->fileHeight;
        picture.orientation = keep->exifOrientation;
        picture.convertedFrom = keep->picture->convertedFrom;
        picture.warnings = keep->picture->warnings;
    } else {
        if (keep)
            *keep = PictureKeep{};
        picture = readPicture(file, *format, rowRequest);
    }
    for (const auto& warning : picture.warnings)
        made.notes.push_back(noteOf(NoteKind::pictureWarning, warning));
    std::string origin = std::string("the ") + pictureFormatName(*format) + " of " +
                         std::to_string(uprightWidth(picture)) + " x " + std::to_string(uprightHeight(picture));
    if (picture.orientation != 1)
        origin += ", turned upright (EXIF orientation " + std::to_string(picture.orientation) + ")";
    if (!picture.convertedFrom.empty())
        origin += ", its colours converted from " + picture.convertedFrom + " to sRGB";

    origin += choiceText(options);
    const int exifOrientation = picture.orientation;
    if (rowFit)
        picture.orientation = turnedOrientation(picture.orientation, options.turn);
    else
        planFor(picture);

    step(options.fit == FitMode::none ? "taking it at its own size" : "fitting it to 256 x 256");
    IndexedPicture indexed;
    {
        // The fitted picture goes once it is quantised: kept at its own size it can be large.
        RgbPicture fitted;
        if (rowFit) {
            fitted = rowFit->finish();
        } else if (keep) {
            if (!keep->picture) {
                keep->file.assign(file.begin(), file.end());
                keep->fit = options.fit;
                keep->exifOrientation = exifOrientation;
                keep->picture = std::move(picture);
            }
            keep->picture->orientation = picture.orientation;
            fitted = fitPictureCopy(*keep->picture, options.fit, options.crop);
        } else {
            fitted = fitPicture(std::move(picture), options.fit, options.crop);
        }
        if (options.seamless)
            blendEdgesTogether(fitted);
        step("reducing it to 256 colours");
        indexed = quantisePicture(fitted, options.dither);
    }
    step("encoding the GIF");
    const Bytes gif = encodeGif(indexed);
    char settings[64];
    std::snprintf(settings, sizeof settings, "fit %s, dither %g", fitModeName(options.fit), options.dither + 0.0);  // never "-0"
    made.summary = "a " + std::to_string(indexed.width) + " x " + std::to_string(indexed.height) + " picture of " +
                   std::to_string(indexed.coloursUsed) + (indexed.coloursUsed == 1 ? " colour" : " colours") + " from " + origin + " (" + settings + ")";
    if (options.fit == FitMode::none)
        made.notes.push_back(unfittedNote(indexed));
    made.file = buildPackagedFile(program, gif, GifSize{indexed.width, indexed.height});
    return made;
}

std::optional<MakeNote> checkRecordShowable(GifSize size, bool force)
{
    const std::string reason = unshowableRecordReason(size.width, size.height);
    if (reason.empty())
        return std::nullopt;
    if (!force)
        refuse(sizeRefusal(RefusalKind::unshowable, size.width, size.height, reason));
    MakeNote note = noteOf(NoteKind::unshowableForced, reason);
    note.width = size.width;
    note.height = size.height;
    return note;
}

ShownSize shownPictureSize(std::span<const uint8_t> file, const MakeOptions& options)
{
    const PictureFormat format = pictureFormatOrRefuse(file, options.pictureName);
    checkTurn(options.turn);
    const ReadRequest request{options.pictureName, options.fit, options.turn, std::nullopt};
    PictureKeep* keep = options.keep;
    if (!keep || !keptPictureServes(*keep, file, request)) {
        Picture picture = readPicture(file, format, request);
        if (!keep) {
            picture.orientation = turnedOrientation(picture.orientation, options.turn);
            return ShownSize{uprightWidth(picture), uprightHeight(picture)};
        }
        keep->picture.reset();
        keep->file.assign(file.begin(), file.end());
        keep->fit = options.fit;
        keep->exifOrientation = picture.orientation;
        keep->picture = std::move(picture);
    }
    Picture shown = pictureOfSize(keep->picture->format, keep->picture->fileWidth, keep->picture->fileHeight);
    shown.orientation = turnedOrientation(keep->exifOrientation, options.turn);
    return ShownSize{uprightWidth(shown), uprightHeight(shown)};
}
