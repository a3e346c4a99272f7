// SPDX-License-Identifier: GPL-3.0-or-later
#include "maker_wording.h"

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

std::string refusalText(const MakeRefusal& refusal, const ControlWords& words)
{
    switch (refusal.kind) {
    case RefusalKind::plain:
        return refusal.detail;
    case RefusalKind::tooManyPixels: {
        const std::string message = "'" + refusal.name + "' is " + sizeText(refusal.width, refusal.height) +
                                    " pixels" + (refusal.detail.empty() ? "" : " (" + refusal.detail + ")");
        if (refusal.unfitted)
            return message + words.unfittedLimit + std::to_string(refusal.limit / 1'000'000) +
                   " megapixels (the saver shows the top-left 255 x 255 pixels of it): " + words.chooseAnotherFit;
        return message + ", more than the " + std::to_string(refusal.limit / 1'000'000) +
               " megapixels a picture may have";
    }
    case RefusalKind::tooLargeForGif:
        return "the picture is " + sizeText(refusal.width, refusal.height) +
               ", larger than a GIF can hold (65535 x 65535); choose a " + words.fitOtherThanNone;
    case RefusalKind::unshowable:
        return "the picture is " + sizeText(refusal.width, refusal.height) + ", " + refusal.detail + ": " +
               words.unshowableRefused;
    case RefusalKind::badCrop:
    case RefusalKind::badTurn:
        break;  // each caller names its own crop and turn controls
    }
    return plainRefusalText(refusal);
}

std::string noteText(const MakeNote& note, const ControlWords& words)
{
    switch (note.kind) {
    case NoteKind::gifUnchanged:
        return std::string("packing the GIF unchanged: the saver shows it as it is (") + words.reencodeHint + ")";
    case NoteKind::gifReencoded:
        return "re-encoding the GIF: " + note.detail;
    case NoteKind::pictureWarning:
        return "warning: " + note.detail;
    case NoteKind::unfittedTile: {
        std::string text = std::string(words.unfittedTileLead) + " each 256 x 256 tile of the saver shows the top-left " +
                           sizeText(note.shownWidth, note.shownHeight) + " pixels of this " +
                           sizeText(note.width, note.height) + " picture";
        if (note.fill)
            text += ", and palette index 0 (" + colourText(*note.fill) + ") fills the rest of the tile";
        return text;
    }
    case NoteKind::unshowableForced:
        return "warning: the picture is " + sizeText(note.width, note.height) + ", " + note.detail + ": " +
               words.unshowableForced;
    }
    return note.detail;
}
