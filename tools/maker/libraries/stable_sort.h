// SPDX-License-Identifier: GPL-3.0-or-later
/* A stable sort with qsort's signature, for libimagequant's qsort calls: the
 * C libraries' qsort order equal keys differently (glibc's merge sort keeps
 * them, musl's smoothsort does not), and the palette it makes must be the
 * same natively and in the browser. */
#ifndef GLIMMER_STABLE_SORT_H
#define GLIMMER_STABLE_SORT_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void glimmer_stable_sort(void* base, size_t count, size_t size, int (*compare)(const void*, const void*));

#ifdef __cplusplus
}
#endif

#endif
