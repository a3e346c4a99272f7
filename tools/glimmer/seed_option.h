// SPDX-License-Identifier: GPL-3.0-or-later
// The --seed option of preview and play.
#pragma once

#include <cstdint>

#include "cli.h"

// The seed the saver takes: the calendar time in seconds, modulo 2^32.
uint32_t currentTimeSeed();

// Reads --seed S (0 to 4294967295), by default the current time.
uint32_t takeSeed(Arguments& arguments);
