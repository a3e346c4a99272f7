// SPDX-License-Identifier: MIT
// The pointer rule of the saver window, free of any window system so that the
// saver and glimmer's live play apply the very same one.
#pragma once

// A pointer jump beyond this many pixels in either axis ends the saver.
const int mouseTolerance = 10;

// Non-zero when (x, y) lies more than mouseTolerance pixels, in either axis,
// from the reference point.
inline int isMouseJump(int referenceX, int referenceY, int x, int y)
{
    const int dx = referenceX - x;
    const int dy = referenceY - y;
    return dx > mouseTolerance || dy > mouseTolerance || dx < -mouseTolerance || dy < -mouseTolerance;
}
