// SPDX-License-Identifier: GPL-3.0-or-later
#include "page_wording.h"

#include <cstdio>

namespace {

std::string sizeText(int64_t width, int64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

std::string colourText(const PaletteEntry& entry)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", entry.red, entry.green, entry.blue);
    return text;
}

}  // namespace

std::string pageRefusalText(const MakeRefusal& refusal)
{
    switch (refusal.kind) {
    case RefusalKind::plain:
        return refusal.detail;
    case RefusalKind::tooManyPixels: {
        const std::string message = "'" + refusal.name + "' is " + sizeText(refusal.width, refusal.height) +
                                    " pixels" + (refusal.detail.empty() ? "" : " (" + refusal.detail + ")");
        if (refusal.unfitted)
            return message + "; kept at its own size (fit \"none\") a picture may have up to " +
                   std::to_string(refusal.limit / 1'000'000) +
                   " megapixels (the saver shows the top-left 255 x 255 pixels of it): choose another fit";
        return message + ", more than the " + std::to_string(refusal.limit / 1'000'000) +
               " megapixels a picture may have";
    }
    case RefusalKind::tooLargeForGif:
        return "the picture is " + sizeText(refusal.width, refusal.height) +
               ", larger than a GIF can hold (65535 x 65535); choose a fit other than \"none\"";
    case RefusalKind::unshowable:
        return "the picture is " + sizeText(refusal.width, refusal.height) + ", " + refusal.detail +
               ": the preview could not show the saver";
    case RefusalKind::badCrop:
        return "the frame must lie inside the picture: " + cropText(refusal) + " cannot be used: " + refusal.detail;
    case RefusalKind::badTurn:
        return "the picture can be turned by a quarter, a half or three quarters, not " +
               std::to_string(refusal.turn) + " degrees";
    }
    return plainRefusalText(refusal);
}

std::string pageNoteText(const MakeNote& note)
{
    switch (note.kind) {
    case NoteKind::gifUnchanged:
        return "packing the GIF unchanged: the saver shows it as it is (tick \"Re-encode a GIF\" to re-encode it)";
    case NoteKind::gifReencoded:
        return "re-encoding the GIF: " + note.detail;
    case NoteKind::pictureWarning:
        return "warning: " + note.detail;
    case NoteKind::unfittedTile: {
        std::string text = "kept at its own size, each 256 x 256 tile of the saver shows the top-left " +
                           sizeText(note.shownWidth, note.shownHeight) + " pixels of this " +
                           sizeText(note.width, note.height) + " picture";
        if (note.fill)
            text += ", and palette index 0 (" + colourText(*note.fill) + ") fills the rest of the tile";
        return text;
    }
    case NoteKind::unshowableForced:
        return "warning: the picture is " + sizeText(note.width, note.height) + ", " + note.detail +
               ": the preview will not show this saver";
    }
    return note.detail;
}

const char* refusalKindName(RefusalKind kind)
{
    switch (kind) {
    case RefusalKind::plain: return "plain";
    case RefusalKind::tooManyPixels: return "too-many-pixels";
    case RefusalKind::tooLargeForGif: return "too-large-for-gif";
    case RefusalKind::unshowable: return "unshowable";
    case RefusalKind::badCrop: return "bad-crop";
    case RefusalKind::badTurn: return "bad-turn";
    }
    return "plain";
}

const char* noteKindName(NoteKind kind)
{
    switch (kind) {
    case NoteKind::gifUnchanged: return "gif-unchanged";
    case NoteKind::gifReencoded: return "gif-reencoded";
    case NoteKind::pictureWarning: return "picture-warning";
    case NoteKind::unfittedTile: return "unfitted-tile";
    case NoteKind::unshowableForced: return "unshowable-forced";
    }
    return "picture-warning";
}
