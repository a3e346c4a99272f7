// SPDX-License-Identifier: GPL-3.0-or-later
// The maker's notes and refusals in glimmer's words, naming its flags
// (--reencode, --force, --fit none).
#pragma once

#include <string>

#include "make_saver.h"
#include "maker_error.h"

std::string glimmerRefusalText(const MakeRefusal& refusal);
// One line; a warning starts with "warning: ".
std::string glimmerNoteText(const MakeNote& note);
