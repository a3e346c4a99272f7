// SPDX-License-Identifier: GPL-3.0-or-later
// A package header as JSON, for `glimmer inspect --json` and the web page.
#pragma once

#include <string>

#include "package/package_format.h"

// {"imageCount": N, "records": [{"width", "height", "colourKey", "offset",
// "length", "kind"} x 5], "options": [10 numbers]}, without a newline.
std::string packageJson(const ImagePackage& package);

// A record's kind byte as it stands in that JSON: the character itself, or
// \u00XX for a byte that is not printable ASCII or would need escaping.
std::string packageKindText(unsigned char kind);
