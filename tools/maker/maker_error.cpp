// SPDX-License-Identifier: GPL-3.0-or-later
#include "maker_error.h"

namespace {

std::string sizeText(const MakeRefusal& refusal)
{
    return std::to_string(refusal.width) + " x " + std::to_string(refusal.height);
}

}  // namespace

std::string cropText(const MakeRefusal& refusal)
{
    const CropRect& crop = refusal.crop;
    return "the rectangle of " + std::to_string(crop.width) + " x " + std::to_string(crop.height) + " at " +
           std::to_string(crop.x) + "," + std::to_string(crop.y) + " of the " + sizeText(refusal) + " picture";
}

std::string plainRefusalText(const MakeRefusal& refusal)
{
    switch (refusal.kind) {
    case RefusalKind::plain:
        return refusal.detail;
    case RefusalKind::tooManyPixels:
        return "'" + refusal.name + "' is " + sizeText(refusal) + " pixels" +
               (refusal.detail.empty() ? "" : " (" + refusal.detail + ")") + ", more than the " +
               std::to_string(refusal.limit / 1'000'000) + " megapixels a picture may have" +
               (refusal.unfitted ? " when it keeps its own size" : "");
    case RefusalKind::tooLargeForGif:
        return "the picture is " + sizeText(refusal) + ", larger than a GIF can hold (65535 x 65535)";
    case RefusalKind::unshowable:
        return "the picture is " + sizeText(refusal) + ", " + refusal.detail + ": preview and play would refuse the saver";
    case RefusalKind::badCrop:
        return cropText(refusal) + " cannot be used: " + refusal.detail;
    case RefusalKind::badTurn:
        return "the picture can be turned by 90, 180 or 270 degrees, not " + std::to_string(refusal.turn);
    }
    return refusal.detail;
}
