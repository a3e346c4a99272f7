// SPDX-License-Identifier: GPL-3.0-or-later
#include "tile_choice.h"

#include <cstdint>

#include "maker_error.h"

namespace {

// Where each upright axis comes from: the axis before (0 across, 1 down) and
// whether it runs from that axis's far end.
struct AxisSource {
    int axis[2];
    bool reversed[2];
};

AxisSource sourceOf(int orientation)
{
    const bool swapped = orientation >= 5;
    return AxisSource{{swapped ? 1 : 0, swapped ? 0 : 1},
                      {orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7,
                       orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8}};
}

// Turned clockwise, the new x runs up the old y and the new y along the old x.
constexpr AxisSource quarterTurn{{1, 0}, {true, false}};

AxisSource followedBy(const AxisSource& first, const AxisSource& then)
{
    AxisSource combined{};
    for (int axis = 0; axis < 2; ++axis) {
        const int middle = then.axis[axis];
        combined.axis[axis] = first.axis[middle];
        combined.reversed[axis] = then.reversed[axis] != first.reversed[middle];
    }
    return combined;
}

}  // namespace

int turnedOrientation(int orientation, int turn)
{
    AxisSource source = sourceOf(orientation);
    for (int quarter = 0; quarter < (turn / 90) % 4; ++quarter)
        source = followedBy(source, quarterTurn);
    for (int candidate = 1; candidate <= 8; ++candidate) {
        const AxisSource known = sourceOf(candidate);
        if (known.axis[0] == source.axis[0] && known.reversed[0] == source.reversed[0] &&
            known.reversed[1] == source.reversed[1])
            return candidate;
    }
    return orientation;
}

void checkTurn(int turn)
{
    if (turn == 0 || turn == 90 || turn == 180 || turn == 270)
        return;
    MakeRefusal refusal;
    refusal.kind = RefusalKind::badTurn;
    refusal.turn = turn;
    refuse(std::move(refusal));
}

void checkCrop(const std::optional<CropRect>& crop, int width, int height)
{
    if (!crop)
        return;
    const CropRect& c = *crop;
    std::string reason;
    if (c.width <= 0 || c.height <= 0)
        reason = "it has no pixels";
    else if (c.x < 0 || c.y < 0 || int64_t(c.x) + c.width > width || int64_t(c.y) + c.height > height)
        reason = "it is not inside the picture";
    if (reason.empty())
        return;
    MakeRefusal refusal = sizeRefusal(RefusalKind::badCrop, width, height, reason);
    refusal.crop = c;
    refuse(std::move(refusal));
}
