// SPDX-License-Identifier: GPL-3.0-or-later
// Names as messages show them, in glimmer's messages and the web page's alike.
#pragma once

#include <string>
#include <string_view>

// A name as a message shows it: control characters (a newline, an escape)
// as \n, \t, \r or \xHH, so that no file name can break or forge a line.
std::string shownName(std::string_view name);
// shownName in single quotes.
std::string quotedName(std::string_view name);
