// SPDX-License-Identifier: GPL-3.0-or-later
/* Put in front of each of libimagequant's files by the build: its qsort
 * calls go to a stable sort and its pow and powf calls to plain arithmetic,
 * so that its palettes depend on neither the C library nor the CPU. The
 * system headers come first, so that only libimagequant's own calls are
 * renamed. */
#ifndef GLIMMER_IMAGEQUANT_PORTABLE_H
#define GLIMMER_IMAGEQUANT_PORTABLE_H

#include <math.h>
#include <stdlib.h>

#include "plain_power.h"
#include "stable_sort.h"

#define qsort glimmer_stable_sort
#define pow glimmer_pow
#define powf glimmer_powf

#endif
