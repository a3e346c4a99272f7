// SPDX-License-Identifier: GPL-3.0-or-later
// When live play ends: the saver window's input rules, apart from any window
// system so that they can be checked on their own.
#pragma once

#include "shell/mouse_rule.h"

// Pointer movement: the saver ends when one motion event lies more than 10
// pixels, in either axis, from the one before it, once the first frame has
// been shown. Before that, motion only moves the reference point.
struct PointerRule {
    bool firstFrameDone = false;
    bool haveReference = false;
    int referenceX = 0;
    int referenceY = 0;
};

// Takes one motion event at (x, y); true when it ends play.
inline bool pointerMoveEnds(PointerRule& rule, int x, int y)
{
    if (!rule.firstFrameDone || !rule.haveReference) {
        rule.referenceX = x;
        rule.referenceY = y;
        rule.haveReference = true;
    }
    const bool jump = isMouseJump(rule.referenceX, rule.referenceY, x, y) != 0;
    rule.referenceX = x;
    rule.referenceY = y;
    return jump;
}

// Keys: every key press ends play except Alt alone and F10, which Windows
// hands to a saver as system keys that it lets pass. (Alt with another key
// still ends it, through that other key.)
enum class PressedKey { alt, f10, other };

inline bool keyPressEnds(PressedKey key)
{
    return key == PressedKey::other;
}
