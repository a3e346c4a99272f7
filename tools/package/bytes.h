// SPDX-License-Identifier: GPL-3.0-or-later
// A file's bytes held in memory, as the maker and the package layer pass them.
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;
