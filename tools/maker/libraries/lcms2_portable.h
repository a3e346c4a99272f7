// SPDX-License-Identifier: GPL-3.0-or-later
/* Put in front of each of lcms2's files by the build: its powers,
 * exponentials and logarithms go to plain arithmetic, so that the colours it
 * converts depend on neither the C library nor the CPU. math.h comes first,
 * so that only lcms2's own calls are renamed. */
#ifndef GLIMMER_LCMS2_PORTABLE_H
#define GLIMMER_LCMS2_PORTABLE_H

#include <math.h>

#include "plain_power.h"

#define pow glimmer_pow
#define exp glimmer_exp
#define log glimmer_log
#define log10 glimmer_log10

#endif
