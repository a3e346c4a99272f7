// SPDX-License-Identifier: GPL-3.0-or-later
// The padded 32-bit saver program that the build puts inside the tool.
#pragma once

#include <cstdint>
#include <span>

// Empty when the tool was built without it (GLIMMER_EMBED_SAVER=OFF).
std::span<const uint8_t> embeddedSaverProgram();
