// SPDX-License-Identifier: GPL-3.0-or-later
// When live play ends: the saver window's input rules, apart from any window
// system so that they can be checked on their own.
#pragma once

#include "shell/mouse_rule.h"

// Pointer movement follows the saver window's MouseRule: play keeps one,
// arms it after the first frame and hands it every motion event.

// Keys: every key press ends play except Alt alone and F10, which Windows
// hands to a saver as system keys that it lets pass. (Alt with another key
// still ends it, through that other key.)
enum class PressedKey { alt, f10, other };

inline bool keyPressEnds(PressedKey key)
{
    return key == PressedKey::other;
}
