// SPDX-License-Identifier: GPL-3.0-or-later
#include "stable_sort.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

/* Sorts `count` elements from `base` by merging runs that double in length,
 * through a scratch buffer of the same size; equal elements keep their order.
 * Without memory for the scratch buffer it falls back to an insertion sort,
 * which is stable too. */
static void insertion_sort(unsigned char* base, size_t count, size_t size,
                           int (*compare)(const void*, const void*), unsigned char* held)
{
    for (size_t i = 1; i < count; ++i) {
        size_t j = i;
        memcpy(held, base + i * size, size);
        while (j > 0 && compare(base + (j - 1) * size, held) > 0) {
            memcpy(base + j * size, base + (j - 1) * size, size);
            --j;
        }
        memcpy(base + j * size, held, size);
    }
}

void glimmer_stable_sort(void* base, size_t count, size_t size, int (*compare)(const void*, const void*))
{
    if (count < 2 || size == 0)
        return;
    unsigned char held[256];
    unsigned char* scratch = count <= SIZE_MAX / size ? malloc(count * size) : NULL;
    if (!scratch) {
        unsigned char* one = size <= sizeof held ? held : malloc(size);
        if (one) {
            insertion_sort(base, count, size, compare, one);
            if (one != held)
                free(one);
        }
        return;
    }
    unsigned char* from = base;
    unsigned char* to = scratch;
    for (size_t width = 1; width < count; width *= 2) {
        for (size_t start = 0; start < count; start += 2 * width) {
            size_t left = start;
            const size_t middle = start + width < count ? start + width : count;
            size_t right = middle;
            const size_t end = start + 2 * width < count ? start + 2 * width : count;
            size_t out = start;
            while (left < middle && right < end) {
                /* Take from the right only when it is strictly smaller. */
                if (compare(from + right * size, from + left * size) < 0)
                    memcpy(to + out++ * size, from + right++ * size, size);
                else
                    memcpy(to + out++ * size, from + left++ * size, size);
            }
            memcpy(to + out * size, from + left * size, (middle - left) * size);
            out += middle - left;
            memcpy(to + out * size, from + right * size, (end - right) * size);
        }
        unsigned char* swap = from;
        from = to;
        to = swap;
    }
    if (from != base)
        memcpy(base, from, count * size);
    free(scratch);
}
