// SPDX-License-Identifier: GPL-3.0-or-later
// The fuzzers' check: a failed one names itself on stderr and traps, so that
// libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>

#define CHECK(condition) \
    do { \
        if (!(condition)) { \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            __builtin_trap(); \
        } \
    } while (0)
