// SPDX-License-Identifier: GPL-3.0-or-later
#include "shown_name.h"

#include <cstdio>

std::string shownName(std::string_view name)
{
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
            continue;
        }
        if (c == '\n' || c == '\t' || c == '\r') {
            shown += c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\r";
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        shown += escaped;
    }
    return shown;
}

std::string quotedName(std::string_view name)
{
    std::string quoted(1, '\'');
    quoted += shownName(name);
    quoted += '\'';
    return quoted;
}
