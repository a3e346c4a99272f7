// SPDX-License-Identifier: GPL-3.0-or-later
#include "page_wording.h"

#include "maker_wording.h"

namespace {

constexpr ControlWords pageWords{
    .unfittedLimit = "; kept at its own size (fit \"none\") a picture may have up to ",
    .chooseAnotherFit = "choose another fit",
    .fitOtherThanNone = "fit other than \"none\"",
    .unshowableRefused = "the preview could not show the saver",
    .reencodeHint = "tick \"Re-encode a GIF\" to re-encode it",
    .unfittedTileLead = "kept at its own size,",
    .unshowableForced = "the preview will not show this saver",
};

}  // namespace

std::string pageRefusalText(const MakeRefusal& refusal)
{
    switch (refusal.kind) {
    case RefusalKind::badCrop:
        return "the frame must lie inside the picture: " + cropText(refusal) + " cannot be used: " + refusal.detail;
    case RefusalKind::badTurn:
        return "the picture can be turned by a quarter, a half or three quarters, not " +
               std::to_string(refusal.turn) + " degrees";
    default:
        return refusalText(refusal, pageWords);
    }
}

std::string pageNoteText(const MakeNote& note)
{
    return noteText(note, pageWords);
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
