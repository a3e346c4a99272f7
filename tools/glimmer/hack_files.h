// SPDX-License-Identifier: GPL-3.0-or-later
// What install-hack writes for XScreenSaver: the launcher that plays one
// saver, and the hack description that XScreenSaver's settings read.
#pragma once

#include <string>
#include <string_view>

// The name XScreenSaver knows the hack by: the launcher's file name, and the
// description's name ("glimmerwheel.xml").
constexpr std::string_view hackName = "glimmerwheel";

// A word for /bin/sh in single quotes, any byte kept as it is.
std::string shellQuoted(std::string_view word);

// Text for XML character data and attribute values: the five special
// characters as entities, control characters and bytes that are not UTF-8 as
// '?', since XML cannot carry them.
std::string xmlText(std::string_view text);

// A /bin/sh script that runs `glimmer play SAVER` with the daemon's arguments.
std::string hackLauncher(std::string_view glimmerPath, std::string_view saverPath, std::string_view saverName);

// The hack description: the saver's name, the seed and the frame-rate cap.
std::string hackDescription(std::string_view saverName);
