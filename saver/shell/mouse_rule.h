// SPDX-License-Identifier: MIT
// The pointer rule of the saver window, free of any window system: the saver,
// glimmer's live play and the web page's player each keep one MouseRule and
// hand it every pointer position, so that all three end on the same moves.
#pragma once

// A pointer jump beyond this many pixels in either axis ends the saver.
const int mouseTolerance = 10;

// What the rule remembers: whether the first frame has been shown (before it
// no move ends the saver), and the last pointer position, if any was seen.
struct MouseRule {
    int armed;
    int seen;
    int x;
    int y;
};

// Non-zero when (x, y) lies more than mouseTolerance pixels, in either axis,
// from the reference point.
inline int isMouseJump(int referenceX, int referenceY, int x, int y)
{
    const int dx = referenceX - x;
    const int dy = referenceY - y;
    return dx > mouseTolerance || dy > mouseTolerance || dx < -mouseTolerance || dy < -mouseTolerance;
}

// Takes the pointer at (x, y); non-zero when that move ends the saver. Each
// position is measured against the one before it. The first of all has none
// before it and only sets the reference, also when it comes after the first
// frame (a platform need not report the pointer before then).
inline int mouseMoveEnds(MouseRule* rule, int x, int y)
{
    const int ends = rule->armed && rule->seen && isMouseJump(rule->x, rule->y, x, y);
    rule->seen = 1;
    rule->x = x;
    rule->y = y;
    return ends;
}
