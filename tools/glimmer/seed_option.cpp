// SPDX-License-Identifier: GPL-3.0-or-later
#include "seed_option.h"

#include <ctime>

uint32_t currentTimeSeed()
{
    return uint32_t(uint64_t(std::time(nullptr)));
}

uint32_t takeSeed(Arguments& arguments)
{
    const auto seed = arguments.takeInteger("--seed", 0, 4294967295LL);
    return seed ? uint32_t(*seed) : currentTimeSeed();
}
