// SPDX-License-Identifier: GPL-3.0-or-later
#include "hack_files.h"

namespace {

// The length of the UTF-8 sequence at `at`, or 0 when it is not one.
size_t utf8Length(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                         : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    // Overlong three- and four-byte forms, surrogates and beyond U+10FFFF.
    const unsigned char second = length > 1 ? byte(at + 1) : 0;
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

}  // namespace

std::string shellQuoted(std::string_view word)
{
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string xmlText(std::string_view text)
{
    std::string result;
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8Length(text, at);
        const char c = text[at];
        if (length == 0 || (length == 1 && static_cast<unsigned char>(c) < 0x20) || c == 0x7F)
            result += '?';
        else if (c == '&')
            result += "&amp;";
        else if (c == '<')
            result += "&lt;";
        else if (c == '>')
            result += "&gt;";
        else if (c == '"')
            result += "&quot;";
        else if (c == '\'')
            result += "&apos;";
        else
            result.append(text.substr(at, length));
        at += length ? length : 1;
    }
    return result;
}

std::string hackLauncher(std::string_view glimmerPath, std::string_view saverPath, std::string_view saverName)
{
    std::string name;
    // One comment line whatever the name holds.
    for (const char c : saverName)
        name += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return "#!/bin/sh\n"
           "# The Glimmerwheel screen saver \"" + name + "\" as an XScreenSaver hack,\n"
           "# written by glimmer install-hack. The daemon adds --root (or names its\n"
           "# window in XSCREENSAVER_WINDOW) and the options chosen in its settings.\n"
           "exec " + shellQuoted(glimmerPath) + " play " + shellQuoted(saverPath) + " \"$@\"\n";
}

std::string hackDescription(std::string_view saverName)
{
    const std::string label = xmlText("Glimmerwheel: " + std::string(saverName));
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "\n"
           "<screensaver name=\"" + std::string(hackName) + "\" _label=\"" + label + "\">\n"
           "\n"
           "  <command arg=\"--root\"/>\n"
           "\n"
           "  <number id=\"seed\" type=\"spinbutton\" arg=\"--seed %\"\n"
           "          _label=\"Motion seed (0: a new motion each time)\"\n"
           "          low=\"0\" high=\"4294967295\" default=\"0\"/>\n"
           "\n"
           "  <number id=\"fps\" type=\"slider\" arg=\"--fps %\"\n"
           "          _label=\"Frame rate\" _low-label=\"5 a second\" _high-label=\"60 a second\"\n"
           "          low=\"5\" high=\"60\" default=\"60\"/>\n"
           "\n"
           "  <_description>\n" +
           label +
           "\n\n"
           "The picture as an endless, rotating, zooming, drifting tiled plane, drawn\n"
           "by the Windows saver's own code through glimmer play.\n"
           "  </_description>\n"
           "</screensaver>\n";
}
