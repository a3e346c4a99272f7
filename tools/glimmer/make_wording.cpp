// SPDX-License-Identifier: GPL-3.0-or-later
#include "make_wording.h"

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

std::string glimmerRefusalText(const MakeRefusal& refusal)
{
    switch (refusal.kind) {
    case RefusalKind::plain:
        return refusal.detail;
    case RefusalKind::tooManyPixels: {
        const std::string message = "'" + refusal.name + "' is " + sizeText(refusal.width, refusal.height) +
                                    " pixels" + (refusal.detail.empty() ? "" : " (" + refusal.detail + ")");
        if (refusal.unfitted)
            return message + "; with --fit none glimmer make takes pictures of up to " +
                   std::to_string(refusal.limit / 1'000'000) +
                   " megapixels (the saver shows the top-left 255 x 255 pixels of it): choose another --fit";
        return message + ", more than the " + std::to_string(refusal.limit / 1'000'000) +
               " megapixels a picture may have";
    }
    case RefusalKind::tooLargeForGif:
        return "the picture is " + sizeText(refusal.width, refusal.height) +
               ", larger than a GIF can hold (65535 x 65535); choose a --fit other than none";
    case RefusalKind::unshowable:
        return "the picture is " + sizeText(refusal.width, refusal.height) + ", " + refusal.detail +
               ": glimmer preview and play would refuse the saver (--force makes it all the same)";
    case RefusalKind::badCrop:
        return "--crop " + std::to_string(refusal.crop.x) + "," + std::to_string(refusal.crop.y) + "," +
               std::to_string(refusal.crop.width) + "," + std::to_string(refusal.crop.height) + ": " +
               cropText(refusal) + " cannot be used: " + refusal.detail +
               " (--crop X,Y,W,H counts in the picture as it is shown, after --turn)";
    case RefusalKind::badTurn:
        return "--turn takes 90, 180 or 270 (degrees clockwise), not " + std::to_string(refusal.turn);
    }
    return plainRefusalText(refusal);
}

std::string glimmerNoteText(const MakeNote& note)
{
    switch (note.kind) {
    case NoteKind::gifUnchanged:
        return "packing the GIF unchanged: the saver shows it as it is (--reencode re-encodes it)";
    case NoteKind::gifReencoded:
        return "re-encoding the GIF: " + note.detail;
    case NoteKind::pictureWarning:
        return "warning: " + note.detail;
    case NoteKind::unfittedTile: {
        std::string text = "--fit none: each 256 x 256 tile of the saver shows the top-left " +
                           sizeText(note.shownWidth, note.shownHeight) + " pixels of this " +
                           sizeText(note.width, note.height) + " picture";
        if (note.fill)
            text += ", and palette index 0 (" + colourText(*note.fill) + ") fills the rest of the tile";
        return text;
    }
    case NoteKind::unshowableForced:
        return "warning: the picture is " + sizeText(note.width, note.height) + ", " + note.detail +
               ": glimmer preview and play will refuse this saver";
    }
    return note.detail;
}
