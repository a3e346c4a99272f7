// SPDX-License-Identifier: GPL-3.0-or-later
#include "json_text.h"

#include <cstdio>

std::string jsonString(std::string_view text)
{
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string jsonStrings(const std::vector<std::string>& texts)
{
    std::string json = "[";
    for (size_t i = 0; i < texts.size(); ++i)
        json += (i ? ", " : "") + jsonString(texts[i]);
    return json + "]";
}
