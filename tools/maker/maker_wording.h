// SPDX-License-Identifier: GPL-3.0-or-later
// The maker's notes and refusals in words, with the phrases that name a
// control supplied by the caller: glimmer names its flags, the web page the
// controls a visitor sees. Everything else is worded once, here.
#pragma once

#include <string>

#include "make_saver.h"
#include "maker_error.h"

struct ControlWords {
    const char* unfittedLimit;      // "; <keeping the size> ... takes/may have up to "
    const char* chooseAnotherFit;   // after the megapixels of an unfitted picture
    const char* fitOtherThanNone;   // "; choose a <fit other than none>"
    const char* unshowableRefused;  // after "the picture is W x H, why"
    const char* reencodeHint;       // inside the parentheses of the unchanged-GIF note
    const char* unfittedTileLead;   // before " each 256 x 256 tile ..."
    const char* unshowableForced;   // after "warning: the picture is W x H, why"
};

std::string refusalText(const MakeRefusal& refusal, const ControlWords& words);
// One line; a warning starts with "warning: ".
std::string noteText(const MakeNote& note, const ControlWords& words);
