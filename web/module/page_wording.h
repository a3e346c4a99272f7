// SPDX-License-Identifier: GPL-3.0-or-later
// The maker's notes and refusals in the page's words: its controls by the
// names a visitor sees (the fit "none: keep its size", the re-encode box),
// never one of glimmer's flags.
#pragma once

#include <string>

#include "make_saver.h"
#include "maker_error.h"

std::string pageRefusalText(const MakeRefusal& refusal);
std::string pageNoteText(const MakeNote& note);

// The kinds as the page's JSON names them ("plain", "too-many-pixels", ...).
const char* refusalKindName(RefusalKind kind);
const char* noteKindName(NoteKind kind);
