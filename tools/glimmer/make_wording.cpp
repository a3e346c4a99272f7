// SPDX-License-Identifier: GPL-3.0-or-later
#include "make_wording.h"

#include "maker_wording.h"

namespace {

constexpr ControlWords glimmerWords{
    .unfittedLimit = "; with --fit none glimmer make takes pictures of up to ",
    .chooseAnotherFit = "choose another --fit",
    .fitOtherThanNone = "--fit other than none",
    .unshowableRefused = "glimmer preview and play would refuse the saver (--force makes it all the same)",
    .reencodeHint = "--reencode re-encodes it",
    .unfittedTileLead = "--fit none:",
    .unshowableForced = "glimmer preview and play will refuse this saver",
};

}  // namespace

std::string glimmerRefusalText(const MakeRefusal& refusal)
{
    switch (refusal.kind) {
    case RefusalKind::badCrop:
        return "--crop " + std::to_string(refusal.crop.x) + "," + std::to_string(refusal.crop.y) + "," +
               std::to_string(refusal.crop.width) + "," + std::to_string(refusal.crop.height) + ": " +
               cropText(refusal) + " cannot be used: " + refusal.detail +
               " (--crop X,Y,W,H counts in the picture as it is shown, after --turn)";
    case RefusalKind::badTurn:
        return "--turn takes 90, 180 or 270 (degrees clockwise), not " + std::to_string(refusal.turn);
    default:
        return refusalText(refusal, glimmerWords);
    }
}

std::string glimmerNoteText(const MakeNote& note)
{
    return noteText(note, glimmerWords);
}
