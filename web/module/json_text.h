// SPDX-License-Identifier: GPL-3.0-or-later
// Results that the module hands to the page as JSON text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// `text` as a JSON string, quotes included.
std::string jsonString(std::string_view text);

// The strings as a JSON array.
std::string jsonStrings(const std::vector<std::string>& texts);
